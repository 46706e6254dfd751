#include "core/JsonText.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>

namespace quillet::json {

Value Value::boolean(bool b)
{
    Value v;
    v.type_ = Type::Bool;
    v.bool_ = b;
    return v;
}

Value Value::number(double n)
{
    Value v;
    v.type_ = Type::Number;
    v.number_ = n;
    return v;
}

Value Value::string(const QString &s)
{
    Value v;
    v.type_ = Type::String;
    v.string_ = s;
    return v;
}

Value Value::array()
{
    Value v;
    v.type_ = Type::Array;
    return v;
}

Value Value::object()
{
    Value v;
    v.type_ = Type::Object;
    return v;
}

bool Value::toInt(int *out) const
{
    if (type_ != Type::Number || std::trunc(number_) != number_ || number_ < std::numeric_limits<int>::min()
        || number_ > std::numeric_limits<int>::max())
        return false;
    *out = static_cast<int>(number_);
    return true;
}

const Value *Value::find(QStringView key) const
{
    for (const Member &m : members_)
        if (m.key == key)
            return &m.value;
    return nullptr;
}

const Value *Value::find(QLatin1StringView key) const
{
    for (const Member &m : members_)
        if (m.key == key)
            return &m.value;
    return nullptr;
}

Value &Value::add(const QString &key, Value v)
{
    members_.push_back({key, {}, std::move(v)});
    return members_.back().value;
}

bool Value::remove(QLatin1StringView key)
{
    const auto it = std::find_if(members_.begin(), members_.end(), [&](const Member &m) { return m.key == key; });
    if (it == members_.end())
        return false;
    members_.erase(it);
    return true;
}

Value &Value::append(Value v)
{
    items_.push_back(std::move(v));
    return items_.back();
}

// --- Reading ----------------------------------------------------------------------------

class Parser {
public:
    Parser(const QByteArray &text, Limits limits) : s_(text.constData()), n_(text.size()), limits_(limits)
    {
        if (n_ >= 3 && s_[0] == '\xEF' && s_[1] == '\xBB' && s_[2] == '\xBF')
            i_ = lineStart_ = 3;
    }

    bool run(Value &out, ParseError *error)
    {
        skipBlanks();
        bool good = value(out, 0);
        if (good) {
            skipBlanks();
            // A second document or a stray brace would otherwise be dropped unread.
            if (i_ < n_)
                good = fail(QStringLiteral("unexpected text after the document"));
        }
        if (!good && error)
            *error = error_;
        return good;
    }

private:
    static constexpr int MaxDepth = 64;

    Position here()
    {
        // Characters, not bytes: UTF-8 continuation bytes do not count. Counted on from
        // the last place asked for on the same line, as values are read left to right.
        if (countedAt_ < lineStart_ || countedAt_ > i_) {
            countedAt_ = lineStart_;
            countedColumn_ = 1;
        }
        for (; countedAt_ < i_; ++countedAt_)
            if ((static_cast<unsigned char>(s_[countedAt_]) & 0xC0) != 0x80)
                ++countedColumn_;
        return {line_, countedColumn_};
    }

    bool fail(const QString &message)
    {
        error_ = {here(), message, {}};
        return false;
    }

    // The error's path is put together on the way out, field by field and item by item, so
    // that a sound text pays nothing for it.
    bool inside(const QString &step)
    {
        if (error_.path.isEmpty() || error_.path.startsWith(QLatin1Char('[')))
            error_.path = step + error_.path;
        else
            error_.path = step + QLatin1Char('.') + error_.path;
        return false;
    }

    void skipBlanks()
    {
        while (i_ < n_) {
            const char c = s_[i_];
            if (c == '\n') {
                ++line_;
                lineStart_ = ++i_;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++i_;
            } else {
                break;
            }
        }
    }

    bool noValue()
    {
        return fail(QStringLiteral("expected a value: a text in double quotes, a number, an object, a list, true, "
                                   "false or null"));
    }

    bool literal(const char *word)
    {
        qsizetype k = 0;
        while (word[k]) {
            if (i_ + k >= n_ || s_[i_ + k] != word[k])
                return noValue();
            ++k;
        }
        i_ += k;
        return true;
    }

    bool value(Value &out, int depth)
    {
        out.position = here();
        if (limits_.values >= 0 && ++values_ > limits_.values)
            return fail(QStringLiteral("the text holds more than %1 values, more than any text of this kind")
                            .arg(limits_.values));
        if (i_ >= n_)
            return fail(QStringLiteral("the text ends where a value should be"));
        switch (s_[i_]) {
        case '{': return object(out, depth + 1);
        case '[': return array(out, depth + 1);
        case '"': out.type_ = Value::Type::String; return string(out.string_);
        case 't':
            out.type_ = Value::Type::Bool;
            out.bool_ = true;
            return literal("true");
        case 'f': out.type_ = Value::Type::Bool; return literal("false");
        case 'n': return literal("null");
        default:
            if (s_[i_] == '-' || (s_[i_] >= '0' && s_[i_] <= '9'))
                return number(out);
            return noValue();
        }
    }

    bool object(Value &out, int depth)
    {
        if (depth > MaxDepth)
            return fail(QStringLiteral("nested deeper than %1 levels").arg(MaxDepth));
        out.type_ = Value::Type::Object;
        ++i_;
        skipBlanks();
        if (i_ < n_ && s_[i_] == '}') {
            ++i_;
            return true;
        }
        // Small objects are searched; a large one keeps its names in a set, so that a text of
        // many fields is not read in the square of their number.
        constexpr size_t Searched = 16;
        QSet<QString> names;
        for (;;) {
            skipBlanks();
            if (i_ >= n_ || s_[i_] != '"')
                return fail(QStringLiteral("expected a field name in double quotes"));
            Member m;
            m.keyPosition = here();
            if (!string(m.key))
                return false;
            if (limits_.fields >= 0 && static_cast<qsizetype>(out.members_.size()) >= limits_.fields) {
                error_ = {m.keyPosition, QStringLiteral("the object has more than %1 fields, more than any object of "
                                                        "this kind has")
                                             .arg(limits_.fields), {}};
                return false;
            }
            bool twice = false;
            if (out.members_.size() < Searched) {
                twice = std::any_of(out.members_.begin(), out.members_.end(),
                                    [&](const Member &earlier) { return earlier.key == m.key; });
            } else {
                if (names.isEmpty())
                    for (const Member &earlier : out.members_)
                        names.insert(earlier.key);
                const qsizetype before = names.size();
                names.insert(m.key);
                twice = names.size() == before;
            }
            if (twice) {
                error_ = {m.keyPosition, QStringLiteral("the field \"%1\" is named twice in this object").arg(m.key), {}};
                return inside(m.key);
            }
            skipBlanks();
            if (i_ >= n_ || s_[i_] != ':')
                return fail(QStringLiteral("expected \":\" after the field name"));
            ++i_;
            skipBlanks();
            if (!value(m.value, depth))
                return inside(m.key);
            out.members_.push_back(std::move(m));
            skipBlanks();
            if (i_ < n_ && s_[i_] == ',') {
                ++i_;
                continue;
            }
            if (i_ < n_ && s_[i_] == '}') {
                ++i_;
                return true;
            }
            return fail(QStringLiteral("expected \",\" or \"}\""));
        }
    }

    bool array(Value &out, int depth)
    {
        if (depth > MaxDepth)
            return fail(QStringLiteral("nested deeper than %1 levels").arg(MaxDepth));
        out.type_ = Value::Type::Array;
        ++i_;
        skipBlanks();
        if (i_ < n_ && s_[i_] == ']') {
            ++i_;
            return true;
        }
        for (;;) {
            skipBlanks();
            if (limits_.items >= 0 && static_cast<qsizetype>(out.items_.size()) >= limits_.items)
                return fail(QStringLiteral("the list has more than %1 items, more than any list of this kind holds")
                                .arg(limits_.items));
            Value item;
            if (!value(item, depth))
                return inside(QStringLiteral("[%1]").arg(out.items_.size()));
            out.items_.push_back(std::move(item));
            skipBlanks();
            if (i_ < n_ && s_[i_] == ',') {
                ++i_;
                continue;
            }
            if (i_ < n_ && s_[i_] == ']') {
                ++i_;
                return true;
            }
            return fail(QStringLiteral("expected \",\" or \"]\""));
        }
    }

    bool digits()
    {
        const qsizetype start = i_;
        while (i_ < n_ && s_[i_] >= '0' && s_[i_] <= '9')
            ++i_;
        return i_ > start || fail(QStringLiteral("expected a digit"));
    }

    bool number(Value &out)
    {
        const qsizetype start = i_;
        if (s_[i_] == '-')
            ++i_;
        if (i_ < n_ && s_[i_] == '0') {
            ++i_;
            if (i_ < n_ && s_[i_] >= '0' && s_[i_] <= '9')
                return fail(QStringLiteral("a number may not start with 0"));
        } else if (!digits()) {
            return false;
        }
        if (i_ < n_ && s_[i_] == '.') {
            ++i_;
            if (!digits())
                return false;
        }
        if (i_ < n_ && (s_[i_] == 'e' || s_[i_] == 'E')) {
            ++i_;
            if (i_ < n_ && (s_[i_] == '+' || s_[i_] == '-'))
                ++i_;
            if (!digits())
                return false;
        }
        // QByteArray's conversion does not depend on the locale.
        bool ok = false;
        const double v = QByteArray(s_ + start, i_ - start).toDouble(&ok);
        if (!ok || !std::isfinite(v)) {
            i_ = start;
            return fail(QStringLiteral("the number is too large"));
        }
        out.type_ = Value::Type::Number;
        out.number_ = v;
        return true;
    }

    bool hex4(char32_t *out)
    {
        *out = 0;
        for (int k = 0; k < 4; ++k, ++i_) {
            if (i_ >= n_)
                return fail(QStringLiteral("the text ends inside a \\u escape"));
            const char c = s_[i_];
            int d = -1;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            if (d < 0)
                return fail(QStringLiteral("a \\u escape needs four hexadecimal digits"));
            *out = *out * 16 + static_cast<char32_t>(d);
        }
        return true;
    }

    // One UTF-8 sequence starting at i_; false on a malformed one.
    bool utf8(char32_t *out)
    {
        const auto b0 = static_cast<unsigned char>(s_[i_]);
        int extra = 0;
        char32_t cp = 0;
        if (b0 < 0x80) {
            cp = b0;
        } else if (b0 >= 0xC2 && b0 <= 0xDF) {
            extra = 1;
            cp = b0 & 0x1F;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            extra = 2;
            cp = b0 & 0x0F;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            extra = 3;
            cp = b0 & 0x07;
        } else {
            return fail(QStringLiteral("the file is not UTF-8 text"));
        }
        for (int k = 1; k <= extra; ++k) {
            if (i_ + k >= n_ || (static_cast<unsigned char>(s_[i_ + k]) & 0xC0) != 0x80)
                return fail(QStringLiteral("the file is not UTF-8 text"));
            cp = (cp << 6) | (static_cast<unsigned char>(s_[i_ + k]) & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))
            || (cp >= 0xD800 && cp <= 0xDFFF))
            return fail(QStringLiteral("the file is not UTF-8 text"));
        i_ += extra + 1;
        *out = cp;
        return true;
    }

    bool string(QString &out)
    {
        ++i_;  // the opening quote
        for (;;) {
            // A run without escapes goes in whole; most texts are nothing else.
            const qsizetype run = i_;
            while (i_ < n_) {
                const auto c = static_cast<unsigned char>(s_[i_]);
                if (c == '"' || c == '\\' || c < 0x20)
                    break;
                char32_t cp = 0;
                if (c < 0x80)
                    ++i_;
                else if (!utf8(&cp))
                    return false;
            }
            if (i_ > run)
                out.append(QString::fromUtf8(s_ + run, i_ - run));
            if (i_ >= n_)
                return fail(QStringLiteral("the text ends inside a text in double quotes"));
            const auto c = static_cast<unsigned char>(s_[i_]);
            if (c == '"') {
                ++i_;
                return true;
            }
            if (c < 0x20)
                return fail(c == '\n' ? QStringLiteral("a text in double quotes must end on its line")
                                      : QStringLiteral("a control character in a text must be written as \\u%1")
                                            .arg(c, 4, 16, QLatin1Char('0')));
            ++i_;
            if (i_ >= n_)
                return fail(QStringLiteral("the text ends inside an escape"));
            const char e = s_[i_++];
            switch (e) {
            case '"': out.append(QLatin1Char('"')); break;
            case '\\': out.append(QLatin1Char('\\')); break;
            case '/': out.append(QLatin1Char('/')); break;
            case 'b': out.append(QChar(0x08)); break;
            case 'f': out.append(QChar(0x0C)); break;
            case 'n': out.append(QChar(0x0A)); break;
            case 'r': out.append(QChar(0x0D)); break;
            case 't': out.append(QChar(0x09)); break;
            case 'u': {
                char32_t u = 0;
                if (!hex4(&u))
                    return false;
                if (u >= 0xD800 && u <= 0xDBFF) {
                    char32_t low = 0;
                    if (i_ + 1 >= n_ || s_[i_] != '\\' || s_[i_ + 1] != 'u')
                        return fail(QStringLiteral("a \\u escape of a high surrogate must be followed by a low one"));
                    i_ += 2;
                    if (!hex4(&low))
                        return false;
                    if (low < 0xDC00 || low > 0xDFFF)
                        return fail(QStringLiteral("a \\u escape of a high surrogate must be followed by a low one"));
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                } else if (u >= 0xDC00 && u <= 0xDFFF) {
                    return fail(QStringLiteral("a \\u escape of a low surrogate without a high one"));
                }
                out.append(QString::fromUcs4(&u, 1));
                break;
            }
            default: --i_; return fail(QStringLiteral("\\%1 is not an escape of JSON").arg(QLatin1Char(e)));
            }
        }
    }

    const char *s_;
    qsizetype n_;
    qsizetype i_ = 0;
    qsizetype lineStart_ = 0;
    int line_ = 1;
    qsizetype countedAt_ = 0;
    int countedColumn_ = 1;
    Limits limits_;
    qsizetype values_ = 0;
    ParseError error_;
};

bool parse(const QByteArray &utf8, Value &out, ParseError *error, Limits limits)
{
    out = Value();
    return Parser(utf8, limits).run(out, error);
}

// --- Writing ----------------------------------------------------------------------------

namespace {

// True for a value that goes on one line: no non-empty array anywhere inside.
bool flat(const Value &v)
{
    if (v.isArray())
        return v.items().empty();
    if (v.isObject())
        for (const Member &m : v.members())
            if (!flat(m.value))
                return false;
    return true;
}

// Quotes, backslashes and control characters; the last are escaped to be seen in an editor.
bool needsEscape(char16_t u) { return u == '"' || u == '\\' || u < 0x20 || (u >= 0x7F && u <= 0x9F); }

void writeString(QByteArray &out, const QString &s)
{
    out.append('"');
    // Run by run: the characters between two escapes go in whole.
    qsizetype run = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t u = s.at(i).unicode();
        if (!needsEscape(u))
            continue;
        out.append(QStringView(s).sliced(run, i - run).toUtf8());
        run = i + 1;
        if (u == '"')
            out.append("\\\"");
        else if (u == '\\')
            out.append("\\\\");
        else if (u == '\n')
            out.append("\\n");
        else if (u == '\t')
            out.append("\\t");
        else
            out.append("\\u").append(QByteArray::number(u, 16).rightJustified(4, '0'));
    }
    out.append(QStringView(s).sliced(run).toUtf8());
    out.append('"');
}

void writeValue(QByteArray &out, const Value &v, int indent);

void writeInline(QByteArray &out, const Value &v)
{
    switch (v.type()) {
    case Value::Type::Null: out.append("null"); break;
    case Value::Type::Bool: out.append(v.toBool() ? "true" : "false"); break;
    case Value::Type::Number: {
        int i = 0;
        out.append(v.toInt(&i) ? QByteArray::number(i) : QByteArray::number(v.toNumber(), 'g', 17));
        break;
    }
    case Value::Type::String: writeString(out, v.toString()); break;
    case Value::Type::Array: out.append("[]"); break;
    case Value::Type::Object: {
        out.append('{');
        bool first = true;
        for (const Member &m : v.members()) {
            out.append(first ? "" : ", ");
            first = false;
            writeString(out, m.key);
            out.append(": ");
            writeInline(out, m.value);
        }
        out.append('}');
        break;
    }
    }
}

void newline(QByteArray &out, int indent)
{
    out.append('\n');
    out.append(QByteArray(indent, ' '));
}

void writeValue(QByteArray &out, const Value &v, int indent)
{
    if (flat(v)) {
        writeInline(out, v);
        return;
    }
    const bool isArray = v.isArray();
    out.append(isArray ? '[' : '{');
    bool first = true;
    auto item = [&](const QString *key, const Value &value) {
        out.append(first ? "" : ",");
        first = false;
        newline(out, indent + 2);
        if (key) {
            writeString(out, *key);
            out.append(": ");
        }
        writeValue(out, value, indent + 2);
    };
    if (isArray)
        for (const Value &i : v.items())
            item(nullptr, i);
    else
        for (const Member &m : v.members())
            item(&m.key, m.value);
    newline(out, indent);
    out.append(isArray ? ']' : '}');
}

}  // namespace

QByteArray write(const Value &v)
{
    QByteArray out;
    writeValue(out, v, 0);
    out.append('\n');
    return out;
}

}  // namespace quillet::json
