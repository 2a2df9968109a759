// Feeds arbitrary bytes to RtfReader, both as it is and through the crawl editor's load, the way
// the window loads a document. Whatever they accept must also survive a save and a load, and the
// second save must give the bytes of the first.
#include "compose/EditorText.h"
#include "compose/RtfReader.h"
#include "compose/RtfWriter.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

using Load = bool (*)(const QByteArray &, QTextDocument &, QString *);

bool readPlain(const QByteArray &rtf, QTextDocument &doc, QString *error)
{
    return qvic::RtfReader::read(rtf, doc, error);
}

void checkStable(const QTextDocument &doc, Load load)
{
    const QByteArray saved = qvic::RtfWriter::write(doc);
    QTextDocument again;
    if (!load(saved, again, nullptr))
        std::abort();
    if (qvic::RtfWriter::write(again) != saved) {
        std::fprintf(stderr, "Not stable:\n%s\n---\n%s\n", saved.constData(),
                     qvic::RtfWriter::write(again).constData());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray rtf = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                   qsizetype(size));
    QTextDocument plain, shown;
    QString error;
    const bool read = qvic::RtfReader::read(rtf, plain, &error);
    if (read != qvic::editortext::loadCrawl(rtf, shown, nullptr))
        std::abort();
    if (!read) {
        if (error.isEmpty())
            std::abort(); // a refusal must say why
        return 0;
    }
    if (shown.toRawText() != plain.toRawText())
        std::abort();
    checkStable(plain, readPlain);
    checkStable(shown, qvic::editortext::loadCrawl);
    return 0;
}
