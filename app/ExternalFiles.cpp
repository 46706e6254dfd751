#include "app/ExternalFiles.h"

#include "app/UiServices.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace quillet {

namespace {

class FileDropFilter : public QObject {
public:
    explicit FileDropFilter(frmMain &window) : QObject(&window), window_(window) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != &window_)
            return false;
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDropEvent *>(event);
            if (acceptable(drag))
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            if (!acceptable(drop)) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            // The file manager waits for the drop to finish; the save question must not
            // keep it waiting, so the file opens once the drop is done, and not before a
            // transfer that started meanwhile has ended.
            QTimer::singleShot(0, &window_, [&w = window_, path = droppableFile(drop->mimeData())] {
                w.ui().whenFree(&w, [&w, path] { w.openFile(path); });
            });
            return true;
        }
        default:
            return false;
        }
    }

private:
    bool acceptable(const QDropEvent *event) const
    {
        // While a dialog or an editor is open it works on the document, and while a
        // transfer runs it moves the document; replacing the document under either would
        // lose or mix up the work.
        if (QApplication::activeModalWidget() || window_.hasExited() || window_.ui().backgroundHeld())
            return false;
        return !droppableFile(event->mimeData()).isEmpty();
    }

    frmMain &window_;
};

}  // namespace

QString droppableFile(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    // One document at a time: several files are refused rather than one picked.
    const QList<QUrl> urls = mime->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile())
        return {};
    const QFileInfo file(urls.first().toLocalFile());
    const QString suffix = file.suffix();
    const bool known = suffix.compare(QLatin1String("DAT"), Qt::CaseInsensitive) == 0
                       || suffix.compare(QLatin1String("MOD"), Qt::CaseInsensitive) == 0;
    if (!known || !file.isFile())
        return {};
    return QDir::toNativeSeparators(file.absoluteFilePath());
}

void acceptFileDrops(frmMain &window)
{
    window.setAcceptDrops(true);
    window.installEventFilter(new FileDropFilter(window));
}

void openWhenShown(frmMain &window, const QString &path)
{
    // Made absolute now: the caption and a later Save must name the same file.
    const QString absolute = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    QTimer::singleShot(0, &window, [&window, absolute] {
        window.ui().whenFree(&window, [&window, absolute] { window.openFile(absolute); });
    });
}

}  // namespace quillet
