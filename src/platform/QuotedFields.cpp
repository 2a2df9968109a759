#include "platform/QuotedFields.h"

namespace qvic::quotedfields {

QStringList read(QStringView text, Blanks blanks, Lines lines, qsizetype maxFields)
{
    const bool oneLine = lines == Lines::Given;
    const auto isBlank = [blanks](QChar c) {
        return c == u' ' || (blanks == Blanks::AroundField && c == u'\t');
    };
    const auto endsField = [oneLine](QChar c) {
        return c == u',' || (!oneLine && (c == u'\r' || c == u'\n'));
    };
    QStringList fields;
    const qsizetype n = text.size();
    if (n == 0 && !oneLine)
        return fields;
    qsizetype i = 0;
    while (fields.size() < maxFields) {
        while (i < n && isBlank(text[i]))
            ++i;
        if (i < n && text[i] == u'"') {
            const qsizetype close = text.indexOf(u'"', i + 1);
            const qsizetype end = close < 0 ? n : close;
            fields.append(text.mid(i + 1, end - i - 1).toString());
            i = end + 1;
            while (i < n && !endsField(text[i]))
                ++i;
        } else {
            const qsizetype start = i;
            while (i < n && !endsField(text[i]))
                ++i;
            qsizetype end = i;
            while (blanks == Blanks::AroundField && end > start && isBlank(text[end - 1]))
                --end;
            fields.append(text.mid(start, end - start).toString());
        }
        if (i >= n)
            break;
        if (text[i] == u',') {
            if (++i >= n && !oneLine)
                break;
            continue;
        }
        if (lines == Lines::First)
            break;
        if (text[i] == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        if (++i >= n)
            break;
    }
    return fields;
}

} // namespace qvic::quotedfields
