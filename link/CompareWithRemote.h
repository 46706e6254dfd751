#pragma once

#include <QObject>

#include <memory>

class QWidget;

namespace quillet {

struct Globals;
class MemoryImage;
class TransferController;
class UiServices;

// "Compare with Remote": downloads the remote's memory into an image of its own, with the
// download's engine, progress panel and Escape, then shows in frmCompare how the document
// differs from it. No save question: the document is not replaced. The document, Modified,
// CurrentFile, the caption and the lists stay as they were whatever happens; a failed
// transfer says " fail !" and that is all.
class CompareWithRemote : public QObject {
    Q_OBJECT
public:
    CompareWithRemote(TransferController &link, Globals &g, UiServices &ui, QWidget *window);
    ~CompareWithRemote() override;

    void start();

private:
    void finished(bool ok);

    TransferController &link_;
    Globals &g_;
    UiServices &ui_;
    QWidget *window_;
    std::unique_ptr<MemoryImage> remote_;
};

}  // namespace quillet
