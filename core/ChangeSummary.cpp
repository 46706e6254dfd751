#include "core/ChangeSummary.h"

#include "core/Counted.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringList>

namespace quillet {

namespace {

// "Timer 3 (WAKE UP)" reads "timer WAKE UP" in a line, "Timer 3" "timer 3".
QString lowerSubject(const QString &subject)
{
    static const QRegularExpression named(QStringLiteral(R"(^(Timer|Hot macro) \d+ \((.*)\)$)"));
    const QRegularExpressionMatch m = named.match(subject);
    if (m.hasMatch())
        return m.captured(1).toLower() + QLatin1Char(' ') + m.captured(2);
    return subject.isEmpty() ? subject : subject.at(0).toLower() + subject.mid(1);
}

// "time changed" with its values reads "time 07:30 → 07:45".
QString change(const Difference &d)
{
    if (d.change != Difference::Change::Changed || d.first.isEmpty() || d.second.isEmpty())
        return d.what;
    QString what = d.what;
    if (what.endsWith(QLatin1String(" changed")))
        what.chop(8);
    return QStringLiteral("%1 %2 → %3").arg(what, d.first, d.second);
}

struct Topic {
    QString name;
    QSet<int> keys;          // a device's keys that changed in any way
    QSet<int> buttons;       // the main menu's buttons
    int bytes = 0;           // bytes no other difference explains
    QStringList changes;
};

}  // namespace

QString changeSummary(const std::vector<Difference> &differences, int most)
{
    if (differences.empty())
        return QStringLiteral("no change");
    std::vector<Topic> topics;
    auto topic = [&topics](const QString &name) -> Topic & {
        for (Topic &t : topics)
            if (t.name == name)
                return t;
        topics.push_back({name, {}, {}, 0, {}});
        return topics.back();
    };
    for (const Difference &d : differences) {
        switch (d.group) {
        case Difference::Group::Devices: {
            Topic &t = topic(d.device.isEmpty() ? QStringLiteral("bank %1").arg(d.bank + 1) : d.device);
            if (d.key >= 0)
                t.keys.insert(d.page * 100 + d.key);
            else
                t.changes << change(d);
            break;
        }
        case Difference::Group::Menu:
            topic(QStringLiteral("main menu")).buttons.insert(d.bank);
            break;
        case Difference::Group::Timers:
        case Difference::Group::Macros:
            topic(lowerSubject(d.subject)).changes << change(d);
            break;
        case Difference::Group::Backups:
            topic(QStringLiteral("backup slots")).changes << d.what;
            break;
        case Difference::Group::OtherBytes:
            topic(QStringLiteral("other bytes")).bytes += std::max(d.count, 0);
            break;
        }
    }
    QStringList parts;
    for (const Topic &t : topics) {
        QStringList said;
        if (!t.keys.isEmpty())
            said << counted(static_cast<int>(t.keys.size()), QStringLiteral("key changed"), QStringLiteral("keys changed"));
        if (!t.buttons.isEmpty())
            said << counted(static_cast<int>(t.buttons.size()), QStringLiteral("button changed"),
                            QStringLiteral("buttons changed"));
        if (t.bytes > 0)
            said << counted(t.bytes, QStringLiteral("byte differs"), QStringLiteral("bytes differ"));
        said << t.changes;
        parts << t.name + QStringLiteral(": ") + said.join(QStringLiteral(", "));
    }
    if (most > 0 && parts.size() > most) {
        const auto more = parts.size() - most;
        parts = parts.mid(0, most);
        parts << QStringLiteral("and %1 more").arg(more);
    }
    return parts.join(QStringLiteral("; "));
}

}  // namespace quillet
