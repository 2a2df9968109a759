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

std::optional<double> fieldNumber(const QString &field)
{
    qsizetype i = 0;
    qsizetype end = field.size();
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (i < end && isBlank(field[i]))
        ++i;
    while (end > i && isBlank(field[end - 1]))
        --end;
    std::string number; // in C syntax for from_chars
    const auto digits = [&] {
        const qsizetype start = i;
        for (; i < end && field[i] >= u'0' && field[i] <= u'9'; ++i)
            number += char(field[i].unicode());
        return i - start;
    };
    const auto sign = [&] {
        if (i < end && (field[i] == u'+' || field[i] == u'-')) {
            if (field[i] == u'-')
                number += '-';
            ++i;
        }
    };

    sign();
    qsizetype mantissa = digits();
    if (i < end && field[i] == u'.') {
        number += '.';
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return std::nullopt;
    if (i < end && QStringLiteral("eEdD").contains(field[i])) {
        number += 'e';
        ++i;
        sign();
        if (digits() == 0)
            return std::nullopt;
    }
    double value = 0.0;
    if (i != end
        || std::from_chars(number.data(), number.data() + number.size(), value).ec != std::errc()
        || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString generalNumber(double value)
{
    if (value == 0.0 || !std::isfinite(value))
        return QStringLiteral("0");
    return QString::number(value, 'g', 15).toUpper();
}

} // namespace qvic::numbers
