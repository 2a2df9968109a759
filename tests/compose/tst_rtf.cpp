#include "compose/RtfReader.h"
#include "compose/RtfWriter.h"
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace qvic;

namespace {

// How one character looks, as a crawl cares about it; colour -1 is the automatic colour.
struct Look
{
    QString family;
    double points = 0;
    int colour = -1;
    bool bold = false, italic = false, underline = false;
    bool operator==(const Look &) const = default;
};

Look lookAt(const QTextDocument &doc, int position)
{
    QTextCursor cursor(const_cast<QTextDocument *>(&doc));
    cursor.setPosition(position + 1);
    const QTextCharFormat f = cursor.charFormat();
    const QStringList families = f.fontFamilies().toStringList();
    return {families.value(0), f.fontPointSize(),
            f.foreground().style() == Qt::NoBrush ? -1 : int(f.foreground().color().rgb() & 0xFFFFFF),
            f.fontWeight() >= QFont::DemiBold, f.fontItalic(), f.fontUnderline()};
}

char *toString(const Look &l)
{
    return QTest::toString(QStringLiteral("%1 %2pt #%3%4%5%6").arg(l.family).arg(l.points)
        .arg(l.colour, 6, 16, QLatin1Char('0')).arg(l.bold ? " b" : "", l.italic ? " i" : "", l.underline ? " u" : ""));
}

QTextCharFormat format(const QString &family, double points, QColor colour, bool b, bool i, bool u)
{
    QTextCharFormat f;
    f.setFontFamilies({family});
    f.setFontPointSize(points);
    if (colour.isValid())
        f.setForeground(colour);
    f.setFontWeight(b ? QFont::Bold : QFont::Normal);
    f.setFontItalic(i);
    f.setFontUnderline(u);
    return f;
}

QTextCharFormat plain(double points = 30) { return format("Times New Roman", points, Qt::white, false, false, false); }

// A document from runs; "\n" in a run starts a paragraph.
using Runs = QList<QPair<QString, QTextCharFormat>>;
void fill(QTextDocument &doc, const Runs &runs)
{
    QTextCursor cursor(&doc);
    for (const auto &[text, f] : runs) {
        const QStringList paragraphs = text.split(u'\n');
        for (int i = 0; i < paragraphs.size(); ++i) {
            if (i > 0)
                cursor.insertBlock(QTextBlockFormat(), f);
            cursor.insertText(paragraphs[i], f);
        }
    }
}

QList<Look> looks(const QTextDocument &doc)
{
    QList<Look> all;
    for (int i = 0; i < doc.characterCount() - 1; ++i)
        if (doc.characterAt(i) != QChar::ParagraphSeparator)
            all.append(lookAt(doc, i));
    return all;
}

// What we write shows the same text and looks in an independent reader.
void shownByUnrtf(const QTextDocument &original, const QByteArray &saved)
{
    const QString unrtf = QStandardPaths::findExecutable("unrtf");
    if (unrtf.isEmpty())
        QSKIP("unrtf is not installed");
    QString expected = original.toPlainText().replace(u'\u2028', u'\n');
    // unrtf shows tabs as spaces, drops characters beyond 16 bits, takes escapes in font names literally.
    if (expected.contains(u'\t') || expected.contains(QStringLiteral("😀")) || QLatin1String(QTest::currentDataTag()) == u"escapes")
        return;
    test::TempDirs dirs;
    test::writeAll(dirs.root.path() + "/crawl.rtf", saved);
    QProcess process;
    process.start(unrtf, {"--html", dirs.root.path() + "/crawl.rtf"});
    QVERIFY(process.waitForFinished(30000));
    QTextDocument shown;
    shown.setHtml(QString::fromUtf8(process.readAllStandardOutput()));
    // unrtf turns paragraphs into line breaks.
    QString text = shown.toPlainText().replace(u'\u2028', u'\n');
    while (text.endsWith(u'\n'))
        text.chop(1);
    while (expected.endsWith(u'\n'))
        expected.chop(1);
    QCOMPARE(text, expected);
    const QList<Look> want = looks(original);
    QList<Look> got;
    for (int i = 0; i < shown.characterCount() - 1 && got.size() < want.size(); ++i)
        if (!QStringLiteral("\u2029\u2028\n").contains(shown.characterAt(i)))
            got.append(lookAt(shown, i));
    for (qsizetype i = 0; i < want.size() && i < got.size(); ++i) {
        if (got[i].colour == 0 && want[i].colour == -1)
            got[i].colour = -1; // the automatic colour shows black
        if (got[i].points == 0)
            got[i].points = want[i].points; // unrtf gives common sizes as HTML size classes
    }
    QCOMPARE(got, want);
}

const QColor kRed(255, 0, 0), kWhite(255, 255, 255), kAuto;

} // namespace

Q_DECLARE_METATYPE(Look)
Q_DECLARE_METATYPE(Runs)
using Probes = QList<QPair<QString, Look>>;
Q_DECLARE_METATYPE(Probes)

class TestRtf : public QObject
{
    Q_OBJECT

private slots:
    void samples_data();
    void samples();
    void read_data();
    void read();
    void roundTrip_data();
    void roundTrip();
    void exactBytes();
};

void TestRtf::samples_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Probes>("probes");
    const Look tnr30White {"Times New Roman", 30, 0xFFFFFF, false, false, false};
    Look bold = tnr30White;
    bold.bold = true;
    QTest::newRow("office suite") << "office-suite-breaking.rtf"
        << "BREAKING: Lobby closes at 6 PM today."
        << Probes {{"BREAKING:", bold}, {" Lobby closes at 6 PM today.", tnr30White}};
    const Look helvetica {"Helvetica", 12, -1, false, false, false};
    QTest::newRow("converter") << "converter-weather.rtf"
        << "Weather alert: heavy snow expected after 3 PM. Please use the north entrance.\n"
           "Second line with an accented name: Jos\u00e9 M\u00fcller."
        << Probes {{"Weather alert", {"Helvetica", 12, -1, true, false, false}},
                   {": heavy snow", helvetica},
                   {"3 PM", {"Helvetica", 12, -1, false, true, false}},
                   {"Jos\u00e9 M\u00fcller.", helvetica}};
    const Look red {"Times New Roman", 30, 0xFF0000, true, true, false};
    QTest::newRow("hand-written") << "assorted-features.rtf" << QString() << Probes{}; // reaches what real files use
    QTest::newRow("rich-edit control") << "editor-control-welcome.rtf"
        << "WELCOME to the lobby caf\u00e9"
        << Probes {{"WELCOME ", bold}, {"to the", red},
                   {"lobby", {"Times New Roman", 30, 0xFF0000, true, false, true}},
                   {" caf\u00e9", {"Arial", 20, 0xFFFFFF, false, false, false}}};
}

void TestRtf::samples()
{
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(Probes, probes);
    QTextDocument doc;
    QString error;
    QVERIFY2(RtfReader::read(test::readAll(QVIC_TEST_DATA_DIR "/rtf/" + file), doc, &error),
             qPrintable(error));
    if (!text.isNull())
        QCOMPARE(doc.toPlainText(), text);
    for (const auto &[word, look] : probes) {
        const int at = text.indexOf(word);
        QVERIFY2(at >= 0, qPrintable(word));
        for (int i = 0; i < word.size(); ++i)
            QCOMPARE(lookAt(doc, at + i), look);
    }
    // These files (also the fuzzing seeds) load, save, load and save to the same bytes.
    const QByteArray saved = RtfWriter::write(doc);
    QVERIFY(RtfReader::read(saved, doc));
    QCOMPARE(RtfWriter::write(doc), saved);
}

void TestRtf::roundTrip_data()
{
    QTest::addColumn<Runs>("runs");
    QTest::newRow("mixed runs") << Runs {
        {"WELCOME ", format("Times New Roman", 30, kWhite, true, false, false)},
        {"to the", format("Times New Roman", 30, kRed, true, true, false)},
        {" lobby", format("Times New Roman", 30, kRed, true, false, true)},
        {" caf\u00e9", format("Arial", 20, kWhite, false, false, false)},
        {" 8.5", format("Liberation Sans", 8.5, QColor(0x12, 0x34, 0x56), false, true, true)},
        {" auto", format("Arial", 72, kAuto, false, false, false)}};
    QTest::newRow("unicode outside 1252") << Runs {
        {"€ Ω Привет 東京 ‘q’ \u00a0!", plain()}};
    QTest::newRow("beyond 16 bits") << Runs {{"a😀b", plain()}};
    QTest::newRow("tabs and line breaks") << Runs {{"a\tb\t\tc\u2028d", plain()}};
    QTest::newRow("paragraphs") << Runs {{"one\n", plain()}, {"\nthree\n", plain(50)},
                                         {"", plain(12)}};
    QTest::newRow("escapes") << Runs {{"{x} \\par; ok", format("A;B{\\}é", 30, kWhite, 0, 0, 0)}};
}

void TestRtf::roundTrip()
{
    QFETCH(Runs, runs);
    QTextDocument original;
    fill(original, runs);
    const QByteArray saved = RtfWriter::write(original);
    QTextDocument loaded;
    QVERIFY(RtfReader::read(saved, loaded));
    QCOMPARE(loaded.toPlainText(), original.toPlainText());
    QCOMPARE(looks(loaded), looks(original));
    QCOMPARE(loaded.blockCount(), original.blockCount());
    for (QTextBlock a = original.begin(), b = loaded.begin(); a.isValid(); a = a.next(), b = b.next())
        if (a.length() == 1)
            QCOMPARE(b.charFormat().fontPointSize(), a.charFormat().fontPointSize());
    QCOMPARE(RtfWriter::write(loaded), saved);
    shownByUnrtf(original, saved);
}

void TestRtf::exactBytes()
{
    QTextDocument doc;
    fill(doc, {{"Hi ", format("Arial", 20, kRed, true, false, false)},
               {"é€Ω{\t}", format("Times New Roman", 8.25, kAuto, false, true, true)},
               {"\n", plain()}});
    QCOMPARE(RtfWriter::write(doc),
             QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                        "{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset0 Times New Roman;}}\n"
                        "{\\colortbl;\\red255\\green0\\blue0;\\red255\\green255\\blue255;}\n"
                        "\\pard\\f0\\fs40\\cf1\\b Hi \\f1\\fs17\\cf0\\b0\\i\\ul \\'e9\\'80\\u937?\\{\\tab \\}\\par\n"
                        "\\fs60\\cf2\\i0\\ulnone\\par\n}\n"));
}

// Bytes in other code pages, Unicode escapes, the destinations whose text is not shown, and
// malformed input: a best-effort document or a clear error, never a crash, hang or huge memory.
void TestRtf::read_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("text");
    const auto doc = [](const QByteArray &body) { return "{\\rtf1\\ansi " + body + "}"; };
    const QByteArray fonts = "{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial;}{\\f2\\fcharset238 A;}"
                             "{\\f3\\fcharset161 A;}{\\f4\\fcharset162 A;}{\\f5\\fcharset2 Symbol;}"
                             "{\\f6\\fcharset128 MS Mincho;}{\\f7\\fcharset0 A;}}";
    QTest::newRow("font code pages") << doc(fonts + "\\f1 \\'cf\\'f0\\'e8\\f2 \\'9a\\'e8\\f3 \\'e1\\'e2\\f4 \\'fd\\'f0")
                                     << true << "Приščαβığ";
    QTest::newRow("symbol font") << doc(fonts + "\\f5 \\'61\\'b7 p") << true << "α• π";
    QTest::newRow("Shift-JIS pairs") << doc(fonts + "\\f6 \\'82\\'a0\\'82\\'a2") << true << "あい";
    QTest::newRow("document code page") << doc("\\ansicpg1251" + fonts + "\\f0 \\'c0\\f7 \\'c0") << true << "АÀ";
    QTest::newRow("uc2 skips two") << doc("\\uc2\\u12354\\'82\\'a0 x{\\uc0\\u8364 y}") << true << "あ x€y";
    QTest::newRow("surrogate pair") << doc("\\u-10179?\\u-8704?") << true << "😀";
    QTest::newRow("symbols") << doc("a\\~b\\_c\\-d\\{\\}\\\\\\lquote\\rquote\\emdash") << true << "a\u00a0b\u2011cd{}\\‘’—";
    QTest::newRow("tab and line") << doc("a\\tab b\\line c\tz") << true << "a\tb\u2028c\tz";
    QTest::newRow("field keeps result") << doc("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}.") << true << "link.";
    QTest::newRow("skipped destinations") << doc("{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}}{\\header H}"
        "{\\*\\generator G;}{\\pict\\bin3 }}}}a{\\*\\unknown {b}}{\\v hidden}c") << true << "ac";
    QTest::newRow("unicode font names") << doc("{\\fonttbl{\\f0{\\upr{\\f0 X;}{\\*\\ud{\\f0 \\u955?ucida;}}}}}\\f0 t")
                                        << true << "t";
    QTest::newRow("paragraphs") << doc("a\\par\\par b\\sect c\\par") << true << "a\n\nb\nc";
    QTest::newRow("inline font table, escaped newline")
        << doc("{\\fonttbl\\f0\\fswiss Helvetica;\\f1\\fnil Menlo;}\\f1 a\\\nb") << true << "a\nb";
    QTest::newRow("not rtf") << QByteArray("Hello {\\rtf1}") << false << "";
    QTest::newRow("empty") << QByteArray() << false << "";
    QTest::newRow("missing closing braces") << QByteArray("{\\rtf1 a{\\b b") << true << "ab";
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 a}}}b") << true << "a";
    QTest::newRow("truncated escape") << QByteArray("{\\rtf1 a\\'e") << true << "a";
    QTest::newRow("truncated word") << QByteArray("{\\rtf1 a\\fs") << true << "a";
    QTest::newRow("truncated skipped group") << QByteArray("{\\rtf1 a{\\*\\x {{{") << true << "a";
    QTest::newRow("absurd numbers") << QByteArray("{\\rtf1{\\colortbl;\\red999999999999;}\\fs999999999999\\cf-99999999999"
                                                  "\\f99999999999999\\uc99999999999 a\\fs-5 b}") << true << "ab";
    QTest::newRow("unicode overflow") << QByteArray("{\\rtf1\\uc0 a\\u99999999999999\\u-99999999999\\u-2147483649 b\\u55296 c}")
                                      << true << "ab\ufffdc";
    QTest::newRow("huge bin") << QByteArray("{\\rtf1 a\\bin99999999999 xyz}") << true << "a";
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << true << "ab";
    QTest::newRow("deep nesting") << QByteArray(100000, '{').prepend("{\\rtf1 ") << false << "";
    QTest::newRow("deep skipped nesting") << QByteArray(100000, '{').prepend("{\\rtf1 a{\\*\\x ") << true << "a";
    QTest::newRow("many small groups") << QByteArray("{\\rtf1 ") + QByteArray("{\\b x}").repeated(50000) + "}" << true
                                       << QString(50000, u'x');
    QTest::newRow("too many paragraphs")
        << QByteArray("\\par").repeated(RtfReader::maxParagraphs + 1).prepend("{\\rtf1 ") << false << "";
    QTest::newRow("too large") << QByteArray(RtfReader::maxDocumentBytes + 1, 'a').prepend("{\\rtf1 ") << false << "";
}

void TestRtf::read()
{
    QFETCH(QByteArray, rtf);
    QFETCH(bool, readable);
    QFETCH(QString, text);
    QTextDocument doc;
    doc.setPlainText("former text");
    QString error;
    QCOMPARE(RtfReader::read(rtf, doc, &error), readable);
    QCOMPARE(doc.toRawText().replace(QChar::ParagraphSeparator, u'\n'), readable ? text : QStringLiteral("former text"));
    QCOMPARE(error.isEmpty(), readable);
    if (QTest::currentDataTag() == QLatin1String("unicode font names"))
        QCOMPARE(lookAt(doc, 0).family, "λucida");
    if (QTest::currentDataTag() == QLatin1String("inline font table, escaped newline"))
        QCOMPARE(lookAt(doc, 2).family, "Menlo");
    if (readable) // and what was read can be written and read again
        QVERIFY(RtfReader::read(RtfWriter::write(doc), doc));
}

QTEST_GUILESS_MAIN(TestRtf)
#include "tst_rtf.moc"
