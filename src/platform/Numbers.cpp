#include "platform/Numbers.h"

#include <cmath>
#include <charconv>
#include <system_error>
#include <string>
#include <utility>

namespace qvic::numbers {

double leadingNumber(const QString &text)
{
    std::string digits; // the number's characters without blanks, in C syntax
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r'
                                   || text[i] == u'\n'))
            ++i;
    };
    const auto take = [&](auto accept) {
        qsizetype count = 0;
        for (skipBlanks(); i < text.size() && accept(text[i]); skipBlanks(), ++count)
            digits += char(text[i++].unicode());
        return count;
    };
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    bool signTaken = false;
    const auto sign = [&signTaken](QChar c) {
        return !std::exchange(signTaken, true) && (c == u'+' || c == u'-');
    };

    take(sign);
    qsizetype mantissa = take(isDigit);
    if (i < text.size() && text[i] == u'.') {
        digits += '.';
        ++i;
        mantissa += take(isDigit);
    }
    if (mantissa == 0)
        return 0.0;
    if (i < text.size() && QStringLiteral("eEdD").contains(text[i])) {
        const std::string beforeExponent = digits;
        const qsizetype mark = i;
        digits += 'e';
        ++i;
        signTaken = false;
        take(sign);
        if (take(isDigit) == 0) { // "1e" or "1e+" is just 1
            digits = beforeExponent;
            i = mark;
        }
    }
    // from_chars, unlike strtod, ignores the C locale, which QCoreApplication
    // takes from the environment: under a German locale strtod reads "0.25" as 0.
    double value = 0.0;
    const char *first = digits.data();
    if (*first == '+')
        ++first;
    if (std::from_chars(first, digits.data() + digits.size(), value).ec != std::errc())
        return 0.0;
    return std::isfinite(value) ? value : 0.0;
}

QString generalNumber(double value)
{
    if (value == 0.0 || !std::isfinite(value))
        return QStringLiteral("0");
    return QString::number(value, 'g', 15).toUpper();
}

} // namespace qvic::numbers
