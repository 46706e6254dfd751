#include "app/FragmentClipboard.h"

#include "core/Fragment.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace quillet {

void putFragment(const QByteArray &text)
{
    auto *mime = new QMimeData;
    mime->setData(QLatin1String(FragmentMimeType), text);
    mime->setText(QString::fromUtf8(text));
    QGuiApplication::clipboard()->setMimeData(mime);
}

QString clipboardRefusal(const QByteArray &text, const FragmentRead &read)
{
    if (!claimsFragment(text))
        return QStringLiteral("The clipboard holds no Quillet fragment.");
    return QStringLiteral("The clipboard holds a fragment Quillet cannot paste:\n") + read.text();
}

QByteArray takeFragment()
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return {};
    if (mime->hasFormat(QLatin1String(FragmentMimeType)))
        return mime->data(QLatin1String(FragmentMimeType));
    return mime->text().toUtf8();
}

}  // namespace quillet
