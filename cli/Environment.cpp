#include "cli/Environment.h"

#include <algorithm>

namespace quillet::cli {

namespace {

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

// The marks and overrides that set the direction of the text after them: printed raw, a
// right-to-left override turns the rest of the line around.
bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
}

bool needsEscape(QChar c) { return (isControl(c) && c != QLatin1Char('\n')) || isBidiControl(c); }

// "Cannot", "The", "No": a word that is only capitalised because it begins a sentence.
bool capitalisedWord(const QString &text)
{
    qsizetype end = 0;
    while (end < text.size() && text[end].isLetter())
        ++end;
    if (end < 2 || !text[0].isUpper())
        return false;
    for (qsizetype i = 1; i < end; ++i)
        if (!text[i].isLower())
            return false;
    return true;
}

// A comma before the sentence ends: what follows the colon is a list, not a reason.
bool listFollows(const QString &text, qsizetype from)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == QLatin1Char(','))
            return true;
        if (text[i] == QLatin1Char(';') || text[i] == QLatin1Char('.'))
            return false;
    }
    return false;
}

}  // namespace

QString visible(const QString &text)
{
    if (std::none_of(text.begin(), text.end(), needsEscape))
        return text;
    QString shown;
    shown.reserve(text.size() + 8);
    for (QChar c : text) {
        if (isBidiControl(c))
            shown += QStringLiteral("U+") + QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        else if (needsEscape(c))
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QString messageStyle(const QString &message)
{
    QString text = message.trimmed();
    if (capitalisedWord(text))
        text[0] = text[0].toLower();
    if (text.endsWith(QLatin1Char('.')) && !text.endsWith(QStringLiteral("..")))
        text.chop(1);
    // Sentences the window shows one after the other become one line: "…program. Close
    // it" reads "…program; close it". Quoted names are left as they are.
    bool quoted = false;
    for (qsizetype i = 0; i + 2 < text.size(); ++i) {
        if (text[i] == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && text[i] == QLatin1Char('.') && text[i + 1] == QLatin1Char(' ') &&
                 capitalisedWord(text.mid(i + 2))) {
            text[i] = QLatin1Char(';');
            text[i + 2] = text[i + 2].toLower();
        } else if (!quoted && text[i] == QLatin1Char(':') && text[i + 1] == QLatin1Char(' ') &&
                   capitalisedWord(text.mid(i + 2)) && !listFollows(text, i + 2)) {
            // The system's reasons ("Permission denied") come capitalised; a list of the
            // user's names ("the devices are: Kitchen, TV") keeps their letters.
            text[i + 2] = text[i + 2].toLower();
        }
    }
    return visible(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

int Environment::fail(const QString &message, int code)
{
    err << ProgramName << ": " << messageStyle(message) << Qt::endl;
    return code;
}

int Environment::textWidth() const
{
    // Long lines are hard to read even on a wide terminal; without one, the usual 80.
    return columns > 0 ? std::clamp(columns, 40, 100) : 80;
}

}  // namespace quillet::cli
