// Loads and saves about 2 MB of RTF with many formatting runs and sets the times beside Qt's own
// HTML import and export of the same content, measured in the same run. Then loads crawls of the
// shape operators bring (one paragraph, many runs, some without a colour, 1,000 fonts) of 0.25, 1
// and 4 MB the way the window loads them, beside QTextEdit::setHtml of the same content.
#include "MainWindowFixture.h"
#include "compose/EditorText.h"
#include "compose/RtfReader.h"
#include "compose/RtfWriter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void buildCrawl(QTextDocument &doc, qsizetype targetRtfBytes)
{
    const QStringList families = {"Times New Roman", "Arial", "Liberation Sans", "DejaVu Serif"};
    const QList<QColor> colours = {Qt::white, Qt::red, Qt::blue, Qt::green, QColor(0x12, 0x80, 0xC0)};
    const QStringList words = {"Lobby", "closes", "at", "6 PM", "today.", "Café", "Müller",
                               "Grüße", "naïve", "€5", "Ωmega", "east-wing", "entrance:", "\t"};
    QTextCursor cursor(&doc);
    for (int run = 0;; ++run) {
        QTextCharFormat f;
        f.setFontFamilies({families[run % families.size()]});
        f.setFontPointSize(10 + 2 * (run % 11));
        f.setForeground(colours[run % colours.size()]);
        f.setFontWeight(run % 2 ? QFont::Bold : QFont::Normal);
        f.setFontItalic(run % 3 == 0);
        f.setFontUnderline(run % 7 == 0);
        cursor.insertText(words[run % words.size()] + ' ' + words[(run * 7 + 3) % words.size()] + ' ', f);
        if (run % 25 == 24) {
            cursor.insertBlock();
            // Check the size now and then only: writing it is what is being measured.
            if (run % 2500 == 2499 && qvic::RtfWriter::write(doc).size() >= targetRtfBytes)
                break;
        }
    }
}

double bestMs(int rounds, const std::function<void()> &work)
{
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2]; // the median
}

// One paragraph as our writer saves it: runs in 1,000 fonts (each with its own size and
// sometimes italic), bold in turns, a quarter of them without a colour of their own.
QByteArray crawlRtf(qsizetype targetBytes)
{
    constexpr int fonts = 1000;
    QByteArray rtf("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl");
    for (int f = 0; f < fonts; ++f)
        rtf += "{\\f" + QByteArray::number(f) + "\\fnil\\fcharset0 Signage Face " + QByteArray::number(f) + ";}";
    rtf += "}\n{\\colortbl;\\red255\\green255\\blue255;\\red255\\green0\\blue0;\\red0\\green0\\blue255;"
           "\\red0\\green255\\blue0;\\red18\\green128\\blue192;}\n\\pard";
    const QByteArrayList words = {"Lobby ", "closes ", "at ", "6 PM ", "today. ", "Caf\\'e9 ", "\\u937\\'3fmega ",
                                  "east ", "wing ", "entrance: "};
    for (int run = 0; rtf.size() < targetBytes; ++run) {
        const int font = run % fonts;
        rtf += "\\f" + QByteArray::number(font) + "\\fs" + QByteArray::number(40 + 4 * (font % 6));
        rtf += "\\cf" + QByteArray::number(run % 4 == 0 ? 0 : 1 + run % 5);
        rtf += run / fonts % 2 ? "\\b" : "\\b0";
        rtf += font % 7 == 0 ? "\\i" : "\\i0";
        rtf += run % 5 == 0 ? "\\ul " : "\\ulnone ";
        rtf += words[run % words.size()] + words[(run * 7 + 3) % words.size()];
    }
    return rtf + "\\par\n}\n";
}

int runsOf(const QTextDocument &doc)
{
    int runs = 0;
    for (auto it = doc.begin().begin(); !it.atEnd(); ++it)
        ++runs;
    return runs;
}

// Until the document is laid out for the editor that shows it.
void laidOut(QTextEdit *editor)
{
    QCoreApplication::processEvents();
    editor->document()->documentLayout()->documentSize();
}

void crawlLoads()
{
    qvic::test::MainWindowFixture window;
    window.window->show();
    QTextEdit html;
    html.resize(window.editor->size());
    html.show();
    const QString path = window.rtf(QStringLiteral("Crawl.rtf"));
    const auto openInWindow = [&] {
        window.dialogs.fileAnswers = {path};
        window.click("loadButton");
        laidOut(window.editor);
    };
    // The first look-up of each font is the platform's and costs the same either way.
    qvic::test::writeAll(path, crawlRtf(256 * 1024));
    openInWindow();
    html.setHtml(window.editor->toHtml());

    std::printf("\ncrawl: one paragraph, 1000 fonts, a quarter of the runs without a colour; median, ms\n");
    std::printf("            runs  | shown in the editor:       | document only:\n");
    std::printf("  size            |  window     setHtml  ratio |  loadCrawl   setHtml  ratio\n");
    for (const double megabytes : {0.25, 1.0, 4.0}) {
        const QByteArray rtf = crawlRtf(qsizetype(megabytes * 1024 * 1024));
        qvic::test::writeAll(path, rtf);
        const int rounds = megabytes < 4 ? 3 : 1;
        const double ours = bestMs(rounds, openInWindow);
        const QString content = window.editor->toHtml();
        const double theirs = bestMs(rounds, [&] {
            html.setHtml(content);
            laidOut(&html);
        });
        QTextDocument document;
        const double oursBare = bestMs(rounds, [&] { qvic::editortext::loadCrawl(rtf, document); });
        const double theirsBare = bestMs(rounds, [&] { document.setHtml(content); });
        std::printf("  %4.2f MB %7d | %7.1f  %9.1f  %5.2fx | %9.1f  %8.1f  %5.2fx\n", megabytes,
                    runsOf(*window.editor->document()), ours, theirs, ours / theirs,
                    oursBare, theirsBare, oursBare / theirsBare);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTextDocument source;
    buildCrawl(source, 2 * 1024 * 1024);
    const QByteArray rtf = qvic::RtfWriter::write(source);
    const QString html = source.toHtml();
    constexpr int rounds = 5;

    double rtfLoad = 0, htmlLoad = 0;
    QTextDocument loadedRtf, loadedHtml;
    rtfLoad = bestMs(rounds, [&] { qvic::RtfReader::read(rtf, loadedRtf); });
    htmlLoad = bestMs(rounds, [&] { loadedHtml.setHtml(html); });
    QByteArray savedRtf;
    QString savedHtml;
    const double rtfSave = bestMs(rounds, [&] { savedRtf = qvic::RtfWriter::write(loadedRtf); });
    const double htmlSave = bestMs(rounds, [&] { savedHtml = loadedHtml.toHtml(); });

    std::printf("document: %lld bytes of RTF, %lld characters of HTML, %d paragraphs, %d characters\n",
                qint64(rtf.size()), qint64(html.size()), loadedRtf.blockCount(),
                loadedRtf.characterCount());
    std::printf("saved again identical: %s\n", savedRtf == rtf ? "yes" : "NO");
    std::printf("median of %d rounds, ms      ours   Qt HTML   ratio\n", rounds);
    std::printf("load (read / setHtml)    %8.1f  %8.1f   %5.2fx\n", rtfLoad, htmlLoad, rtfLoad / htmlLoad);
    std::printf("save (write / toHtml)    %8.1f  %8.1f   %5.2fx\n", rtfSave, htmlSave, rtfSave / htmlSave);
    crawlLoads();
    return savedRtf == rtf ? 0 : 1;
}
