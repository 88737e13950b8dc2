// The file-history dialog over a scripted finder and restorer: what the list shows, where a
// restore goes, and the keyboard (Enter lists in the file name, restores in the list; Escape
// closes; every control has its own mnemonic).
#include "ui/TFrmFileVersions.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTreeWidget>
#include <QtTest>

using engine::TFileVersion;
using engine::TFileVersions;
using engine::TVersionRestore;

namespace {

TFileVersion Version(int day, std::int64_t size, const std::string& archive, bool latest) {
    TFileVersion v;
    v.Time = platform::EncodeDateTime(2024, 5, day, 9, 30, 0, 0);
    v.Size = size;
    v.Archive = archive;
    v.Member = "report.txt";
    v.Latest = latest;
    return v;
}

struct Call {
    TFileVersion Version;
    std::string Dir;
};

} // namespace

class FileVersionsDialogTest : public QObject {
    Q_OBJECT

private:
    std::vector<std::string> asked;
    std::vector<Call> restored;
    TVersionRestore outcome = TVersionRestore::Restored;

    std::unique_ptr<ui::TFrmFileVersions> Dialog() {
        asked.clear();
        restored.clear();
        outcome = TVersionRestore::Restored;
        auto d = std::make_unique<ui::TFrmFileVersions>(
            [this](const std::string& path) {
                asked.push_back(path);
                TFileVersions found;
                if (path.find("report.txt") == std::string::npos)
                    return found;
                found.Versions = {Version(3, 1234567, "/dst/docs/docs.lzh", true),
                                  Version(2, 99, "/dst/docs/$vm$20240503000000.lzh", false)};
                found.Unreadable = {"/dst/docs/$vm$20240502000000.lzh"};
                return found;
            },
            [this](const TFileVersion& v, const std::string& dir) {
                restored.push_back({v, dir});
                return outcome;
            },
            "/home/ann/docs");
        d->show();
        d->activateWindow();
        (void)QTest::qWaitForWindowActive(d.get());
        return d;
    }

private slots:
    void enterInTheFileNameListsTheVersionsNewestFirst() {
        auto d = Dialog();
        QCOMPARE(d->EditFile->text(), QStringLiteral("/home/ann/docs/"));
        QVERIFY(!d->BtnRestore->isEnabled());
        QTest::keyClick(d->EditFile, Qt::Key_Return);
        QCOMPARE(asked.size(), std::size_t{0}); // a directory is no file
        QVERIFY(d->LblStatus->text().contains(QStringLiteral("ファイルを指定")));

        d->EditFile->setText(QStringLiteral("/home/ann/docs/report.txt"));
        QTest::keyClick(d->EditFile, Qt::Key_Return);
        QCOMPARE(asked, std::vector<std::string>{"/home/ann/docs/report.txt"});
        QVERIFY(restored.empty());
        QCOMPARE(d->LvVersions->topLevelItemCount(), 2);
        const QTreeWidgetItem* newest = d->LvVersions->topLevelItem(0);
        QCOMPARE(newest->text(0), QStringLiteral("2024/05/03 09:30:00"));
        QCOMPARE(newest->text(1), QStringLiteral("1,234,567"));
        QCOMPARE(newest->text(2), QStringLiteral("/dst/docs/docs.lzh"));
        QCOMPARE(d->LvVersions->topLevelItem(1)->text(1), QStringLiteral("99"));
        // The unreadable archive is named; the newest row is chosen and has the focus.
        QVERIFY(d->LblStatus->text().contains(QStringLiteral("$vm$20240502000000.lzh")));
        QCOMPARE(d->LvVersions->currentItem(), newest);
        QVERIFY(d->BtnRestore->isEnabled());

        d->EditFile->setText(QStringLiteral("/home/ann/docs/other.txt"));
        QTest::keyClick(d->EditFile, Qt::Key_Return);
        QCOMPARE(d->LvVersions->topLevelItemCount(), 0);
        QVERIFY(d->LblStatus->text().contains(QStringLiteral("ありません")));
        QVERIFY(!d->BtnRestore->isEnabled());
    }

    void aVersionGoesToItsPlaceOrIntoTheChosenFolder() {
        auto d = Dialog();
        d->EditFile->setText(QStringLiteral("/home/ann/docs/report.txt"));
        d->BtnList->click();
        d->LvVersions->setCurrentItem(d->LvVersions->topLevelItem(1));
        QTest::keyClick(d->LvVersions, Qt::Key_Return);
        QCOMPARE(restored.size(), std::size_t{1});
        QCOMPARE(restored[0].Dir, std::string("/home/ann/docs/"));
        QCOMPARE(restored[0].Version.Archive, std::string("/dst/docs/$vm$20240503000000.lzh"));
        QVERIFY(d->LblStatus->text().contains(QStringLiteral("復元しました")));

        // Into a folder: an empty one is asked for first; typing one chooses the option.
        d->RBtnFolder->setChecked(true);
        QVERIFY(!d->RestoreSelected());
        QCOMPARE(restored.size(), std::size_t{1});
        d->RBtnOriginal->setChecked(true);
        d->FolderChooser = [](const std::string&) { return std::string("/tmp/restored"); };
        d->BtnBrowseFolder->click();
        QVERIFY(d->RBtnFolder->isChecked());
        outcome = TVersionRestore::Declined;
        d->BtnRestore->click();
        QCOMPARE(restored.size(), std::size_t{2});
        QCOMPARE(restored[1].Dir, std::string("/tmp/restored"));
        QVERIFY(d->LblStatus->text().contains(QStringLiteral("復元しませんでした")));
        outcome = TVersionRestore::Failed;
        QVERIFY(!d->RestoreSelected());
        QVERIFY(d->LblStatus->text().contains(QStringLiteral("復元できませんでした")));
    }

    void browsingForAFileListsItAndEscapeCloses() {
        auto d = Dialog();
        std::string start;
        d->FileChooser = [&](const std::string& from) {
            start = from;
            return std::optional<std::string>("/home/ann/docs/report.txt");
        };
        d->BtnBrowseFile->click();
        QCOMPARE(start, std::string("/home/ann/docs/"));
        QCOMPARE(d->LvVersions->topLevelItemCount(), 2);
        d->FileChooser = [](const std::string&) { return std::nullopt; };
        d->BtnBrowseFile->click();
        QCOMPARE(d->LvVersions->topLevelItemCount(), 2); // a cancelled choice changes nothing
        QTest::keyClick(d.get(), Qt::Key_Escape);
        QVERIFY(!d->isVisible());
        QCOMPARE(d->result(), int(QDialog::Rejected));
    }

    void everyControlHasItsOwnMnemonic() {
        auto d = Dialog();
        QSet<QChar> letters;
        const auto take = [&](const QString& text) {
            const int at = text.indexOf('&');
            QVERIFY2(at >= 0 && at + 1 < text.size(), qPrintable(text));
            const QChar letter = text[at + 1].toUpper();
            QVERIFY2(!letters.contains(letter), qPrintable(text));
            letters.insert(letter);
        };
        for (const QAbstractButton* b : d->findChildren<QAbstractButton*>())
            take(b->text());
        for (const QLabel* l : d->findChildren<QLabel*>())
            if (l->buddy())
                take(l->text());
        QCOMPARE(letters.size(), 9);
        QVERIFY(d->BtnRestore->isDefault());
    }
};

QTEST_MAIN(FileVersionsDialogTest)
#include "FileVersionsDialogTest.moc"
