// Feeds arbitrary bytes to RtfReader. Whatever it accepts must also survive a save and a load,
// and the second save must give the bytes of the first.
#include "compose/RtfReader.h"
#include "compose/RtfWriter.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

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
    QTextDocument doc;
    QString error;
    if (!qvic::RtfReader::read(rtf, doc, &error)) {
        if (error.isEmpty())
            std::abort(); // a refusal must say why
        return 0;
    }
    const QByteArray saved = qvic::RtfWriter::write(doc);
    QTextDocument again;
    if (!qvic::RtfReader::read(saved, again))
        std::abort();
    if (qvic::RtfWriter::write(again) != saved) {
        std::fprintf(stderr, "Not stable:\n%s\n---\n%s\n", saved.constData(),
                     qvic::RtfWriter::write(again).constData());
        std::abort();
    }
    return 0;
}
