#include "app/KeyboardAccess.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QWidget>

namespace quillet {

namespace {

using Group = QList<QPointer<QAbstractButton>>;

// Only the button Tab should land on keeps the Tab part of its focus policy; a click
// still focuses any of them. Qt moves the stop to whichever button last had the focus,
// which is the unchecked one after a Tab through the group or a click elsewhere.
void moveTabStop(const Group &group)
{
    QAbstractButton *stop = nullptr;
    for (const auto &b : group)
        if (b && b->isChecked() && b->isEnabled())
            stop = b;
    for (const auto &b : group)
        if (!stop && b && b->isEnabled())
            stop = b;
    for (const auto &b : group)
        if (b)
            b->setFocusPolicy(b == stop ? Qt::StrongFocus : Qt::ClickFocus);
}

// Puts the stop back when the focus leaves a group or a button changes; Qt moves it to
// the focused button on every focus-in.
class TabStopKeeper : public QObject {
public:
    TabStopKeeper(QObject *parent, Group group) : QObject(parent), group_(std::move(group)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusOut || event->type() == QEvent::EnabledChange)
            moveTabStop(group_);
        return QObject::eventFilter(watched, event);
    }

private:
    Group group_;
};

// Lets through only what moves the focus or ends the dialog.
class ReadOnlyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            switch (static_cast<QKeyEvent *>(event)->key()) {
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_Escape:
            case Qt::Key_Return:
            case Qt::Key_Enter:
                return false;
            default:
                return true;
            }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            static_cast<QWidget *>(watched)->setFocus(Qt::MouseFocusReason);
            return true;
        case QEvent::MouseButtonRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return true;
        default:
            return false;
        }
    }
};

}  // namespace

void nameField(QWidget *field, const QString &name)
{
    field->setAccessibleName(name);
    auto *label = new QLabel(name, field->parentWidget());
    label->setObjectName(field->objectName() + QStringLiteral("_name"));
    label->setBuddy(field);
    label->hide();
}

void readOnlyButFocusable(QWidget *field)
{
    if (auto *text = qobject_cast<QLineEdit *>(field)) {
        text->setReadOnly(true);
        return;
    }
    field->setEnabled(true);
    field->installEventFilter(new ReadOnlyFilter(field));
}

void tabReachesChecked(QWidget &window)
{
    QList<Group> groups;
    QHash<QObject *, qsizetype> index;   // a button group, or the parent of loose buttons
    for (QRadioButton *b : window.findChildren<QRadioButton *>()) {
        QObject *owner = b->group() ? static_cast<QObject *>(b->group())
                         : b->autoExclusive() ? static_cast<QObject *>(b->parentWidget())
                                              : nullptr;
        if (!owner)
            continue;
        if (!index.contains(owner)) {
            index.insert(owner, groups.size());
            groups.append(Group());
        }
        groups[index.value(owner)].append(b);
    }
    for (const Group &group : groups) {
        if (group.size() < 2)
            continue;
        auto *keeper = new TabStopKeeper(&window, group);
        for (const auto &b : group) {
            QObject::connect(b, &QAbstractButton::toggled, keeper, [group] { moveTabStop(group); });
            b->installEventFilter(keeper);
        }
        moveTabStop(group);
    }
}

}  // namespace quillet
