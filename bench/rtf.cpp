// Loads and saves about 2 MB of RTF with many formatting runs and sets the times beside Qt's own
// HTML import and export of the same content, measured in the same run.
#include "compose/RtfReader.h"
#include "compose/RtfWriter.h"

#include <QElapsedTimer>
#include <QGuiApplication>
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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

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
    return savedRtf == rtf ? 0 : 1;
}
