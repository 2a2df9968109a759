#include "compose/EditorText.h"
#include "compose/RtfReader.h"
#include "compose/RtfWriter.h"
#include "TestSupport.h"

#include <QTextBlock>
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

// Every character's look but those of paragraph and line breaks.
QStringList looks(const QTextDocument &doc)
{
    QStringList all;
    for (int i = 0; i < doc.characterCount() - 1; ++i)
        if (!QStringLiteral("\u2029\u2028\n").contains(doc.characterAt(i)))
            all.append(lookAt(doc, i));
    return all;
}

// Each run of the document as "text=look".
QStringList runsOf(const QTextDocument &doc)
{
    QStringList all;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            all.append(it.fragment().text() + u'=' + look(it.fragment().charFormat()));
    return all;
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

Q_DECLARE_METATYPE(Runs)

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

    void roundTrip_data()
    {
        QTest::addColumn<Runs>("runs");
        QTest::newRow("unicode, tabs, line breaks")
            << Runs{{"€ Ω Привет 東京 ‘q’ \u00a0a😀b\tb\t\tc\u2028d", kPlain}};
        QTest::newRow("escapes")
            << Runs{{"{x} \\par; ok", "A;B{\\}é 30 ffffff"}};
    }

    // Saved and loaded: the same text, every character's look, and the same bytes when saved
    // again. (An empty paragraph's size is in the exact bytes below.)
    void roundTrip()
    {
        QFETCH(Runs, runs);
        QTextDocument original;
        fill(original, runs);
        const QByteArray saved = RtfWriter::write(original);
        QTextDocument loaded;
        QVERIFY(RtfReader::read(saved, loaded));
        QCOMPARE(loaded.toPlainText(), original.toPlainText());
        QCOMPARE(looks(loaded), looks(original));
        QCOMPARE(RtfWriter::write(loaded), saved);
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

    // The players show the automatic colour black; the editor shows it so, in one paragraph,
    // with nothing to undo.
    void loadShowsAutomaticColourBlack()
    {
        QTextDocument original;
        fill(original, {{"Auto ", "Arial 20 auto b"},
                        {"red ", "Arial 20 ff0000 i"},
                        {"auto", "Liberation Sans 8.5 auto u"}});
        QTextDocument shown;
        QTextCursor(&shown).insertText(QStringLiteral("former text"));

        QVERIFY(editortext::loadCrawl(RtfWriter::write(original), shown));

        QCOMPARE(shown.blockCount(), 1);
        QCOMPARE(runsOf(shown), QStringList({"Auto =Arial 20 000000 b",
                                             "red =Arial 20 ff0000 i",
                                             "auto=Liberation Sans 8.5 000000 u"}));
        QVERIFY(!shown.isUndoAvailable());
    }

    void readsCodePagesAndSymbols_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("font code pages")
            << document(kFonts + "\\f1 \\'cf\\'f0\\'e8\\f2 \\'9a\\'e8\\f3 \\'e1\\'e2\\f4 \\'fd\\'f0"
                                 "\\f5 \\'61\\'b7 p\\f6 \\'82\\'a0\\'82\\'a2")
            << "Приščαβığα• πあい";
        QTest::newRow("uc2 skips two, surrogate pair")
            << document("\\uc2\\u12354\\'82\\'a0 x{\\uc0\\u8364 y}\\uc1\\u-10179?\\u-8704?")
            << "あ x€y😀";
        QTest::newRow("symbols, tab and line")
            << document("a\\~b\\_c\\-d\\{\\}\\\\\\lquote\\rquote\\emdash\\tab b\\line c\tz")
            << "a\u00a0b\u2011cd{}\\‘’—\tb\u2028c\tz";
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
