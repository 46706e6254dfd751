#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <vector>

namespace quillet::json {

// JSON as people edit it: every value knows where it stands in the text (so a problem can
// be shown at its line and column) and objects keep their fields in the order written (so
// a written file reads in a chosen order and two writes of the same values are the same
// bytes). QJsonDocument does neither.

struct Position {
    int line = 0;    // from 1
    int column = 0;  // from 1, in characters
};

struct Member;

class Value {
public:
    enum class Type { Null, Bool, Number, String, Array, Object };

    Value() = default;
    static Value boolean(bool b);
    static Value number(double n);
    static Value string(const QString &s);
    static Value array();
    static Value object();

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }
    bool isString() const { return type_ == Type::String; }
    bool isNumber() const { return type_ == Type::Number; }
    bool isArray() const { return type_ == Type::Array; }
    bool isObject() const { return type_ == Type::Object; }

    bool toBool() const { return bool_; }
    double toNumber() const { return number_; }
    // A whole number that fits an int; false for anything else.
    bool toInt(int *out) const;
    const QString &toString() const { return string_; }
    const std::vector<Value> &items() const { return items_; }
    const std::vector<Member> &members() const { return members_; }

    // The field's value, or nullptr.
    const Value *find(QStringView key) const;
    const Value *find(QLatin1StringView key) const;

    // Building: fields in the order added, items in the order appended.
    Value &add(const QString &key, Value v);
    Value &append(Value v);
    // Takes a field out; false when there is none.
    bool remove(QLatin1StringView key);

    Position position;  // where the value starts; 0:0 for built values

private:
    friend class Parser;
    Type type_ = Type::Null;
    bool bool_ = false;
    double number_ = 0;
    QString string_;
    std::vector<Value> items_;
    std::vector<Member> members_;
};

struct Member {
    QString key;
    Position keyPosition;
    Value value;
};

struct ParseError {
    Position position;
    QString message;
    QString path;  // "devices[2].name"; empty for the document as a whole
};

// What a reader of untrusted text allows at most, so that no text costs more than its
// longest sound form: items in one list, and values in the whole document.
struct Limits {
    qsizetype items = -1;   // -1: any number
    qsizetype fields = -1;  // in one object; -1: any number
    qsizetype values = -1;  // -1: any number
};

// Strict JSON (RFC 8259) in UTF-8; a byte-order mark at the start is passed over. A field
// named twice in one object is an error, as are nesting deeper than 64 levels, text after
// the document and going past the limits.
bool parse(const QByteArray &utf8, Value &out, ParseError *error, Limits limits = {});

// Pretty-printed UTF-8, two blanks a level, ending in a newline. Objects and arrays that
// hold no non-empty array are written on one line; everything else one item a line.
// Control characters in texts are escaped, so every character is visible in an editor.
QByteArray write(const Value &v);

}  // namespace quillet::json
