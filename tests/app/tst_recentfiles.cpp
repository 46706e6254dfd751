// File > Open Recent: what it lists, in which order, and what choosing an entry does.

#include "app/RecentFilesMenu.h"
#include "core/ModelFile.h"
#include "core/RecentFiles.h"
#include "support/AppTestSupport.h"

#include <QStyleOptionMenuItem>

using namespace quillet;
using namespace quillet::testing;

class TestRecentFiles : public QObject {
    Q_OBJECT
private slots:
    void init();
    void keepsTheTenLastNewestFirst();
    void missingEntryGreyedAndTakenOff();

private:
    RecentFilesMenu *menu() const { return f_->w->findChild<RecentFilesMenu *>(QStringLiteral("mnuFileRecent")); }
    // The entries as the opened menu shows them.
    QStringList entries() const
    {
        emit menu()->aboutToShow();
        QStringList out;
        for (QAction *a : menu()->actions())
            if (a->objectName().startsWith(QLatin1String("mnuFileRecent_")))
                out << a->text();
        return out;
    }
    void openData(const QString &name)
    {
        f_->ui.answerFile(f_->path("DATA/" + name));
        TRIGGER(f_->w.get(), "mnuFileOpenDATA");
        QCOMPARE(f_->g->CurrentFile, f_->path("DATA/" + name));
    }

    QTemporaryDir settings_;
    std::unique_ptr<MainWindowFixture> f_;
};

void TestRecentFiles::init()
{
    isolateSettings(settings_.path());
    clearRecentFiles();
    f_ = std::make_unique<MainWindowFixture>();
    f_->open();
    for (int i = 0; i < 11; ++i)
        saveImage(f_->path(QStringLiteral("DATA/f%1.DAT").arg(i)), standardImage);
}

void TestRecentFiles::keepsTheTenLastNewestFirst()
{
    QVERIFY(entries().isEmpty());
    for (int i = 0; i < 11; ++i)
        openData(QStringLiteral("f%1.DAT").arg(i));
    DeviceWorkset model;
    QVERIFY(SAVE_MODEL_FILE(f_->path("MODEL/m.MOD"), model, nullptr));
    f_->ui.answerFile(f_->path("MODEL/m.MOD"));
    TRIGGER(f_->w.get(), "mnuFileOpenMODEL");
    QCOMPARE(entries(), QStringList({"&1 m.MOD", "&2 f10.DAT", "&3 f9.DAT", "&4 f8.DAT", "&5 f7.DAT", "&6 f6.DAT",
                                     "&7 f5.DAT", "&8 f4.DAT", "&9 f3.DAT", "1&0 f2.DAT"}));
    QCOMPARE(menu()->findChild<QAction *>("mnuFileRecent_1")->toolTip(), f_->path("DATA/f10.DAT"));

    // Opened again from the list, an entry moves up and is not listed twice; a document
    // saved under a new name comes first.
    TRIGGER(f_->w.get(), "mnuFileRecent_6");
    QCOMPARE(f_->g->CurrentFile, f_->path("DATA/f5.DAT"));
    f_->ui.answerFile(f_->path("DATA/saved.DAT"));
    TRIGGER(f_->w.get(), "mnuFileSaveAs");
    QCOMPARE(entries().mid(0, 4), QStringList({"&1 saved.DAT", "&2 f5.DAT", "&3 m.MOD", "&4 f10.DAT"}));
    QCOMPARE(entries().size(), 10);
    QVERIFY(f_->ui.shown.isEmpty());
}

void TestRecentFiles::missingEntryGreyedAndTakenOff()
{
    openData("f1.DAT");
    openData("f2.DAT");
    openData("f3.DAT");
    QVERIFY(QFile::remove(f_->path("DATA/f1.DAT")));
    QCOMPARE(entries(), QStringList({"&1 f3.DAT", "&2 f2.DAT", "&3 f1.DAT"}));
    auto drawnEnabled = [this](const char *name) {
        QStyleOptionMenuItem option;
        menu()->initStyleOption(&option, menu()->findChild<QAction *>(name));
        return bool(option.state & QStyle::State_Enabled);
    };
    QVERIFY(drawnEnabled("mnuFileRecent_1"));
    QVERIFY(!drawnEnabled("mnuFileRecent_2"));

    // Unsaved changes: a missing entry opens nothing, so it asks nothing; it is taken off
    // the list and the user is told.
    f_->g->Modified = 1;
    TRIGGER(f_->w.get(), "mnuFileRecent_2");
    QCOMPARE(f_->ui.shown.size(), 1);
    QVERIFY2(f_->ui.lastText().contains(f_->path("DATA/f1.DAT")), qPrintable(f_->ui.lastText()));
    QCOMPARE(entries(), QStringList({"&1 f3.DAT", "&2 f2.DAT"}));
    QCOMPARE(f_->g->CurrentFile, f_->path("DATA/f3.DAT"));

    // One that is there asks the save question first, as Open does; Cancel opens nothing.
    f_->ui.answer(answer::Cancel);
    TRIGGER(f_->w.get(), "mnuFileRecent_1");
    QCOMPARE(f_->ui.lastText(), QStringLiteral("Data has been modified, do you want to save?"));
    QCOMPARE(f_->g->CurrentFile, f_->path("DATA/f3.DAT"));
    QCOMPARE(f_->g->Modified, 1);

    // "Clear list" ends it, for the next start too.
    TRIGGER(f_->w.get(), "mnuFileRecentClear");
    QVERIFY(entries().isEmpty());
    QVERIFY(recentFiles().isEmpty());
    QVERIFY(!actionEnabled(f_->w.get(), "mnuFileRecentClear"));
}

QTEST_MAIN(TestRecentFiles)
#include "tst_recentfiles.moc"
