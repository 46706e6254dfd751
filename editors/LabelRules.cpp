#include "editors/LabelRules.h"

#include "core/TextCodec.h"
#include "core/LayoutModel.h"

namespace quillet {

namespace {
QString shown(QChar ch)
{
    if (ch.unicode() < 32 || ch.category() == QChar::Other_Control)
        return QStringLiteral("the control character %1").arg(ch.unicode());
    return QStringLiteral("\"%1\"").arg(ch);
}
}  // namespace

QString unstorableLabel(const QString &text, bool keyLabel)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        const int code = encodeChar(ch);
        if (code >= 0 && code != 255)
            continue;
        const QString what = ch.isHighSurrogate() && i + 1 < text.size()
                                 ? QStringLiteral("\"%1\"").arg(text.mid(i, 2))
                                 : shown(ch);
        return QStringLiteral("The label cannot hold %1: the remote has no code for it. Please revise.").arg(what);
    }
    if (keyLabel && !text.isEmpty() && isIconByte(encodeChar(text.at(0))))
        return QStringLiteral("A key label cannot begin with %1: the remote would show an icon instead. "
                              "Please revise.")
            .arg(shown(text.at(0)));
    return {};
}

QString labelRefusal(const QString &text, bool keyLabel)
{
    if (text.isEmpty())
        return QStringLiteral("Please key in data.");
    if (text.size() > 20)
        return QStringLiteral("Max.: 20 words");
    return unstorableLabel(text, keyLabel);
}

}  // namespace quillet
