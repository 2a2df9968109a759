#include "cli/CommandOutput.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace qvic::cli {
namespace {

bool g_json = false;

} // namespace

bool print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size())
           && std::fflush(stream) == 0;
}

void setJsonOutput(bool json)
{
    g_json = json;
}

int refuse(const QString &problem, int status, const QString &hint)
{
    print(stderr, QStringLiteral("qv-instant-crawl: %1\n").arg(problem) + (hint.isEmpty() ? QString() : hint + u'\n'));
    if (g_json)
        print(stdout, QString::fromUtf8(QJsonDocument(QJsonObject{{"error", problem}, {"exitStatus", status}})
                                            .toJson(QJsonDocument::Compact))
                          + u'\n');
    return status;
}

void warn(const QStringList &warnings)
{
    for (const QString &warning : warnings)
        print(stderr, QStringLiteral("qv-instant-crawl: warning: %1\n").arg(warning));
}

int answer(const QString &text)
{
    return print(stdout, text) ? 0 : refuse(QStringLiteral("write error"));
}

} // namespace qvic::cli
