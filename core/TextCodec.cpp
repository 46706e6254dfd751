#include "core/TextCodec.h"

#include <QHash>
#include <QStringDecoder>

#include <array>

namespace quillet {

namespace {

struct CodeTable {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, unsigned char> toByte;

    CodeTable()
    {
        QStringDecoder decoder("windows-1252");
        for (int b = 0; b < 256; ++b) {
            char16_t ch = static_cast<char16_t>(b);   // Latin-1 where the code page has a hole
            if (decoder.isValid()) {
                const char raw = static_cast<char>(b);
                const QString s = decoder.decode(QByteArrayView(&raw, 1));
                if (s.size() == 1 && s.at(0) != QChar::ReplacementCharacter && !decoder.hasError())
                    ch = s.at(0).unicode();
                decoder.resetState();
            } else if (b >= 0x80 && b < 0xA0) {
                static constexpr char16_t high[32] = {
                    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
                ch = high[b - 0x80];
            }
            toUnicode[b] = ch;
            toByte.insert(ch, static_cast<unsigned char>(b));
        }
    }
};

const CodeTable &table()
{
    static const CodeTable t;
    return t;
}

}  // namespace

QChar decodeByte(unsigned char byte)
{
    return QChar(table().toUnicode[byte]);
}

QString decodeText(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char c : bytes)
        out.append(decodeByte(static_cast<unsigned char>(c)));
    return out;
}

int encodeChar(QChar ch)
{
    const auto &map = table().toByte;
    auto it = map.constFind(ch.unicode());
    return it == map.constEnd() ? -1 : *it;
}

QByteArray encodeText(const QString &text, bool *ok)
{
    QByteArray out;
    out.reserve(text.size());
    bool all = true;
    for (QChar ch : text) {
        const int b = encodeChar(ch);
        if (b < 0) {
            all = false;
            out.append('?');
        } else {
            out.append(static_cast<char>(b));
        }
    }
    if (ok)
        *ok = all;
    return out;
}

QString fixedField(const QString &text)
{
    return text.left(FieldWidth).leftJustified(FieldWidth, QLatin1Char(' '));
}

QString trimmedRight(const QString &text)
{
    const QChar *chars = text.constData();
    qsizetype n = text.size();
    while (n > 0 && chars[n - 1] == QLatin1Char(' '))
        --n;
    return n == text.size() ? text : text.left(n);
}

QString trimmedBoth(const QString &text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char(' '))
        ++start;
    return trimmedRight(text.mid(start));
}

bool isBlankField(const QString &text)
{
    return trimmedRight(text).isEmpty();
}

}  // namespace quillet
