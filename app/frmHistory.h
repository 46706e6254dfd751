#pragma once

#include "core/History.h"

#include <QDialog>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QThread;
class QTreeWidget;

namespace quillet {

class frmMain;

// "History": the memories the transfers kept in DATA/History, newest first, each with its
// date and time, whether it came from a download or went in an upload, and one line of
// what changed since the entry before it. The lines are worked out on a thread of their
// own, so the window is there at once and fills them in as they come. A file that is not
// a memory of the history is listed with the reason.
class frmHistory : public QDialog {
    Q_OBJECT
public:
    explicit frmHistory(frmMain &window);
    ~frmHistory() override;

    QLabel *lblFolder = nullptr;
    QTreeWidget *List1 = nullptr;
    QPushButton *ComCompare = nullptr;
    QPushButton *ComOpen = nullptr;
    QPushButton *ComFolder = nullptr;
    QPushButton *ComNO = nullptr;

    // Lists the folder anew and starts on the lines.
    void reload();
    // Whether every line is in.
    bool summarized() const { return pending_ == 0; }
    const std::vector<HistoryEntry> &entries() const { return entries_; }

    // Show in Folder: the desktop's file manager with the file chosen. Tests put in their own.
    std::function<bool(const QString &path)> reveal;

    // The caption suffix of a memory opened from the history.
    static QString openedCaptionSuffix();

private:
    void stopWorker();
    void entryDone(size_t index, const HistoryEntry &entry);
    void showEntry(size_t index);
    void updateButtons();
    const HistoryEntry *chosen() const;
    void compareChosen();
    void openChosen();
    void revealChosen();

    frmMain &w_;
    std::vector<HistoryEntry> entries_;
    QThread *worker_ = nullptr;
    std::shared_ptr<std::atomic<bool>> stop_;
    size_t pending_ = 0;
    int generation_ = 0;   // lines of an earlier listing that arrive late are not this one's
};

// The window of mnuHistory: made at the first use, raised and listed anew after that.
void showHistory(frmMain &window);

}  // namespace quillet
