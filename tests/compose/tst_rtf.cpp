#include "compose/RtfReader.h"
#include "compose/RtfWriter.h"
#include "TestSupport.h"

#include <QTextCursor>
#include <QTextDocument>

using namespace qvic;

namespace {

// How one character looks, as a crawl cares about it: "family points colour b i u".
QString look(const QTextCharFormat &f)
{
    QString words = f.fontFamilies().toStringList().value(0) + u' ' + QString::number(f.fontPointSize());
    if (f.foreground().style() == Qt::NoBrush)
        words += QStringLiteral(" auto");
    else
        words += u' ' + f.foreground().color().name().mid(1);
    if (f.fontWeight() >= QFont::DemiBold)
        words += QStringLiteral(" b");
    if (f.fontItalic())
        words += QStringLiteral(" i");
    if (f.fontUnderline())
        words += QStringLiteral(" u");
    return words;
}

QString lookAt(const QTextDocument &doc, int position)
{
    QTextCursor cursor(const_cast<QTextDocument *>(&doc));
    cursor.setPosition(position + 1);
    return look(cursor.charFormat());
}

// The other way round, to build documents.
QTextCharFormat format(const QString &look)
{
    QStringList words = look.split(u' ');
    QTextCharFormat f;
    f.setFontWeight(words.removeAll("b") ? QFont::Bold : QFont::Normal);
    f.setFontItalic(words.removeAll("i"));
    f.setFontUnderline(words.removeAll("u"));
    if (const QString colour = words.takeLast(); colour != u"auto")
        f.setForeground(QColor(u'#' + colour));
    f.setFontPointSize(words.takeLast().toDouble());
    f.setFontFamilies({words.join(u' ')});
    return f;
}

// Pieces of text and their looks; in a document "\n" starts a paragraph.
using Runs = QList<QPair<QString, QString>>;
void fill(QTextDocument &doc, const Runs &runs)
{
    QTextCursor cursor(&doc);
    for (const auto &[text, look] : runs)
        cursor.insertText(text, format(look));
}

const QString kPlain = QStringLiteral("Times New Roman 30 ffffff");

// The text with paragraph separators as line ends.
QString plainText(const QTextDocument &doc)
{
    return doc.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// A document in ANSI around body.
QByteArray document(const QByteArray &body)
{
    return "{\\rtf1\\ansi " + body + "}";
}

const QByteArray kFonts = "{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial;}{\\f2\\fcharset238 A;}"
                          "{\\f3\\fcharset161 A;}{\\f4\\fcharset162 A;}{\\f5\\fcharset2 Symbol;}"
                          "{\\f6\\fcharset128 MS Mincho;}{\\f7\\fcharset0 A;}}";

} // namespace

class TestRtf : public QObject
{
    Q_OBJECT

private slots:
    // A file a rich-edit control wrote loads with its text and looks, and saves, loads
    // and saves to the same bytes. (All the samples under tests/data/rtf seed the reader's fuzzing.)
    void richEditFileKeepsItsLooks()
    {
        const QString text = "WELCOME to the lobby caf\u00e9";
        const Runs probes{{"WELCOME ", kPlain + " b"},
                          {"to the", "Times New Roman 30 ff0000 b i"},
                          {"lobby", "Times New Roman 30 ff0000 b u"},
                          {" caf\u00e9", "Arial 20 ffffff"}};
        QTextDocument doc;
        QString error;
        const QByteArray rtf = test::readAll(QVIC_TEST_DATA_DIR "/rtf/editor-control-welcome.rtf");
        QVERIFY2(RtfReader::read(rtf, doc, &error), qPrintable(error));
        QCOMPARE(doc.toPlainText(), text);
        for (const auto &[word, probe] : probes) {
            const int at = text.indexOf(word);
            QVERIFY2(at >= 0, qPrintable(word));
            for (int i = 0; i < word.size(); ++i)
                QCOMPARE(lookAt(doc, at + i), probe);
        }
        const QByteArray saved = RtfWriter::write(doc);
        QVERIFY(RtfReader::read(saved, doc));
        QCOMPARE(RtfWriter::write(doc), saved);
    }

    void exactBytes()
    {
        QTextDocument doc;
        fill(doc, {{"Hi ", "Arial 20 ff0000 b"},
                   {"é€Ω{\t}", "Times New Roman 8.25 auto i u"},
                   {"\n", kPlain}});
        QCOMPARE(RtfWriter::write(doc),
                 "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
                 "{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}{\\f1\\fnil\\fcharset0 Times New Roman;}}\n"
                 "{\\colortbl;\\red255\\green0\\blue0;\\red255\\green255\\blue255;}\n"
                 "\\pard\\f0\\fs40\\cf1\\b Hi "
                 "\\f1\\fs17\\cf0\\b0\\i\\ul \\'e9\\'80\\u937\\'3f\\{\\tab \\}\\par\n"
                 "\\fs60\\cf2\\i0\\ulnone\\par\n"
                 "}\n");
    }

    void readsCodePagesAndSymbols_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("font code pages")
            << document(kFonts + "\\f1 \\'cf\\'f0\\'e8\\f2 \\'9a\\'e8\\f3 \\'e1\\'e2\\f4 \\'fd\\'f0"
                                 "\\f5 \\'61\\'b7 p\\f6 \\'82\\'a0\\'82\\'a2")
            << "Приščαβığα• πあい";
        QTest::newRow("field result kept, destinations skipped")
            << document("{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}.{\\stylesheet{\\s0 Normal;}}"
                        "{\\info{\\title T}}{\\header H}{\\*\\generator G;}{\\pict\\bin3 }}}}"
                        "a{\\*\\unknown {b}}{\\v hidden}c")
            << "link.ac";
    }

    void readsCodePagesAndSymbols()
    {
        QFETCH(QByteArray, rtf);
        QTextDocument doc;
        QString error;
        QVERIFY2(RtfReader::read(rtf, doc, &error), qPrintable(error));
        QTEST(plainText(doc), "text");
    }

    // Malformed input gives a best-effort document or a clear error; that no input crashes,
    // hangs or takes huge memory is the reader's fuzzing.
    void readsMalformedInput_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text"); // null: refused, the document left as it was
        QTest::newRow("not rtf")
            << QByteArray("Hello {\\rtf1}") << QString();
        QTest::newRow("truncated")
            << QByteArray("{\\rtf1 a{\\b b{\\*\\x {{\\'e") << "ab";
        QTest::newRow("too large")
            << QByteArray(RtfReader::maxDocumentBytes + 1, 'a').prepend("{\\rtf1 ") << QString();
    }

    void readsMalformedInput()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        const bool readable = !text.isNull();
        QTextDocument doc;
        doc.setPlainText("former text");
        QString error;
        QCOMPARE(RtfReader::read(rtf, doc, &error), readable);
        QCOMPARE(error.isEmpty(), readable);
        QCOMPARE(plainText(doc), readable ? text : "former text");
    }
};

QTEST_GUILESS_MAIN(TestRtf)
#include "tst_rtf.moc"
