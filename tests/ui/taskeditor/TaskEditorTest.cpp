// The backup item editor and its zoom button under Qt's offscreen platform.
#include "platform/DateTime.h"
#include "tests/support/TempDir.h"
#include "tests/ui/taskeditor/Tests.h"
#include "ui/TDlgZoomButton.h"
#include "ui/TFrmTask.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <filesystem>

using definition::TVMTask;
using testing_support::TempDir;
using ui::TFrmTask;

namespace {

TVMTask Sample(const TempDir& dir) {
    std::filesystem::create_directories(dir / "a");
    std::filesystem::create_directories(dir / "b");
    std::filesystem::create_directories(dir / "c");
    TVMTask item;
    item.SrcDirs = dir / "a" + "\r\n" + dir / "b" + "\r\n" + dir / "c" + "\r\n";
    item.DstDir = dir / "dst";
    item.TargetFiles = "*.txt\r\n*.doc";
    item.SkipFiles = "tmp/";
    item.IncludeHidden = true;
    item.TSMode = 1;
    item.TSModeDate = platform::EncodeDate(2024, 2, 29);
    item.TSModeDays = 30;
    item.SubDir = false;
    item.EnableLzhCache = false;
    item.MsgBeforeExecution = true;
    item.MsgBeforeExecutionText = "ディスクを入れてください";
    item.NoCompressFiles = true;
    return item;
}

// A dialog whose boxes are answered with `answer` and counted.
struct Answered {
    TFrmTask dialog;
    std::vector<std::string> asked;
    host::TMsgAnswer answer = host::TMsgAnswer::Yes;
    Answered() {
        dialog.MessageHook = [this](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            asked.push_back(text);
            return answer;
        };
    }
};

void Select(TFrmTask& d, int row) {
    d.ListSrc->setCurrentRow(row);
    if (row >= 0)
        d.ListSrc->item(row)->setSelected(true);
}

QStringList Entries(const TFrmTask& d) {
    QStringList entries;
    for (int i = 0; i < d.ListSrc->count(); ++i)
        entries << d.ListSrc->item(i)->text();
    return entries;
}

} // namespace

void TaskEditorTest::cancelLeavesTheItemAsItWas() {
    TempDir dir;
    TVMTask item = Sample(dir);
    const TVMTask before = item;
    const bool ok = TFrmTask::EditItem(item, nullptr, [](TFrmTask& d) {
        QTimer::singleShot(0, &d, [&d] {
            d.ListSrc->clear();
            d.EditDst->setText(QStringLiteral("/elsewhere/"));
            d.ChkSubDir->setChecked(true);
            d.MemoSrc->setPlainText(QStringLiteral("*"));
            d.RBtnTSModeDays->setChecked(true);
            d.reject();
        });
    });
    QVERIFY(!ok);
    QVERIFY(item == before);
}

void TaskEditorTest::theItemGoesInAndComesBackOut() {
    TempDir dir;
    TVMTask item = Sample(dir);
    TFrmTask d;
    d.Load(item);
    QCOMPARE(Entries(d),
             (QStringList{QString::fromStdString(dir / "a"), QString::fromStdString(dir / "b"),
                          QString::fromStdString(dir / "c")}));
    QVERIFY(d.RBtnTSModeDate->isChecked());
    QVERIFY(d.DTPickerTSModeDate->isEnabled());
    QVERIFY(!d.EditTSModeDays->isEnabled());
    QCOMPARE(d.DTPickerTSModeDate->date(), QDate(2024, 2, 29));
    QCOMPARE(d.EditMsgBeforeExecution->text(), QStringLiteral("ディスクを入れてください"));
    TVMTask back;
    d.Store(back);
    QVERIFY(back == item); // three sources in order, each followed by CR LF

    // A trailing delimiter goes; one only.
    d.EditDst->setText(QStringLiteral("/media/backup/"));
    d.Store(back);
    QCOMPARE(back.DstDir, std::string("/media/backup"));
    d.EditDst->setText(QStringLiteral("/media/backup//"));
    d.Store(back);
    QCOMPARE(back.DstDir, std::string("/media/backup/"));
    // The days choice enables its field, the date choice its picker.
    d.RBtnTSModeDays->setChecked(true);
    QVERIFY(d.EditTSModeDays->isEnabled());
    QVERIFY(!d.DTPickerTSModeDate->isEnabled());
    d.Store(back);
    QCOMPARE(back.TSMode, 2);
}

void TaskEditorTest::sourceButtonsFollowSelectionAndText() {
    TempDir dir;
    TFrmTask d;
    d.Load(Sample(dir));
    auto states = [&d] {
        return QList<bool>{d.BtnAdd->isEnabled(), d.BtnDelete->isEnabled(),
                           d.BtnReplace->isEnabled(), d.BtnUp->isEnabled(), d.BtnDown->isEnabled()};
    };
    using L = QList<bool>;
    QCOMPARE(states(), (L{false, false, false, false, false})); // nothing selected, nothing typed
    d.EditSrc->setText(QStringLiteral("   "));
    QCOMPARE(states(), (L{false, false, false, false, false})); // blank is nothing
    d.EditSrc->setText(QStringLiteral("/x"));
    QCOMPARE(states(), (L{true, false, false, false, false}));
    Select(d, 1);
    QCOMPARE(d.EditSrc->text(), QString::fromStdString(dir / "b")); // the entry is copied
    QCOMPARE(states(), (L{true, true, true, true, true}));
    d.EditSrc->clear();
    QCOMPARE(states(), (L{false, true, false, true, true}));
    d.BtnDeleteClick();
    QCOMPARE(d.ListSrc->count(), 2);
    QCOMPARE(states(), (L{false, false, false, false, false}));
}

void TaskEditorTest::addingAndReplacingAskForMissingDirectories() {
    TempDir dir;
    Answered a;
    TFrmTask& d = a.dialog;
    d.Load(Sample(dir));
    const QString missing = QString::fromStdString(dir / "missing");
    d.EditSrc->setText(missing);
    a.answer = host::TMsgAnswer::No;
    d.BtnAddClick();
    QCOMPARE(d.ListSrc->count(), 3);
    QCOMPARE(a.asked.back(),
             "ディレクトリ(" + dir / "missing" +
                 ")は存在しません．\r\n本当にコピー元として登録してもよろしいですか？[Y/N]");
    a.answer = host::TMsgAnswer::Yes;
    d.BtnAddClick();
    QCOMPARE(d.ListSrc->count(), 4);
    QCOMPARE(d.ListSrc->item(3)->text(), missing);
    // An existing directory is added without a question, as typed.
    a.asked.clear();
    d.EditSrc->setText(QString::fromStdString(dir / "a") + QStringLiteral(" "));
    std::filesystem::create_directories(dir / "a ");
    d.BtnAddClick();
    QVERIFY(a.asked.empty());
    QCOMPARE(d.ListSrc->item(4)->text(), QString::fromStdString(dir / "a "));

    // Replace: an existing directory at once, a missing one only with Yes.
    Select(d, 0);
    d.EditSrc->setText(QString::fromStdString(dir / "c"));
    d.BtnReplaceClick();
    QCOMPARE(d.ListSrc->item(0)->text(), QString::fromStdString(dir / "c"));
    QVERIFY(a.asked.empty());
    d.EditSrc->setText(QString::fromStdString(dir / "gone"));
    a.answer = host::TMsgAnswer::No;
    d.BtnReplaceClick();
    QCOMPARE(d.ListSrc->item(0)->text(), QString::fromStdString(dir / "c"));
    a.answer = host::TMsgAnswer::Yes;
    d.BtnReplaceClick();
    QCOMPARE(d.ListSrc->item(0)->text(), QString::fromStdString(dir / "gone"));
    QCOMPARE(a.asked.size(), std::size_t{2});
}

void TaskEditorTest::upAndDownSwapWithinTheList() {
    TempDir dir;
    TFrmTask d;
    d.Load(Sample(dir));
    const QString a = QString::fromStdString(dir / "a"), b = QString::fromStdString(dir / "b"),
                  c = QString::fromStdString(dir / "c");
    Select(d, 0);
    d.BtnUpClick(); // nothing above the first
    QCOMPARE(Entries(d), (QStringList{a, b, c}));
    d.BtnDownClick();
    QCOMPARE(Entries(d), (QStringList{b, a, c}));
    QCOMPARE(d.ListSrc->currentRow(), 0); // the selection index stays
    Select(d, 2);
    d.BtnDownClick(); // nothing below the last
    QCOMPARE(Entries(d), (QStringList{b, a, c}));
    d.BtnUpClick();
    QCOMPARE(Entries(d), (QStringList{b, c, a}));
    QCOMPARE(d.ListSrc->currentRow(), 2);
}

void TaskEditorTest::theDaysFieldRule() {
    QCOMPARE(ui::DaysFromText(QString()), 0);
    QCOMPARE(ui::DaysFromText(QStringLiteral("  ")), 0);
    QCOMPARE(ui::DaysFromText(QStringLiteral("12")), 12);
    QCOMPARE(ui::DaysFromText(QStringLiteral(" 12 ")), 12);
    QCOMPARE(ui::DaysFromText(QStringLiteral("abc")), 0);
    QCOMPARE(ui::DaysFromText(QStringLiteral("12abc")), 0);
    TFrmTask d;
    TVMTask item;
    d.Load(item);
    d.EditTSModeDays->setValue(12);
    d.Store(item);
    QCOMPARE(item.TSModeDays, 12);
}

void TaskEditorTest::sharedArchivesAndADestinationInsideASourceAreWarnedOf() {
    TempDir dir;
    TVMTask item;
    item.SrcDirs = dir / "home/docs\r\n" + dir / "work/docs\r\n" + dir / "photos\r\n";
    item.DstDir = dir / "photos/backup/";
    std::vector<std::string> shown;
    const bool ok = TFrmTask::EditItem(item, nullptr, [&shown](TFrmTask& d) {
        d.MessageHook = [&shown](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            shown.push_back(text);
            return host::TMsgAnswer::Ok;
        };
        QTimer::singleShot(0, &d, [&d] { d.BtnOk->click(); });
    });
    QVERIFY(ok); // a warning, not a refusal
    QCOMPARE(shown.size(), std::size_t{1});
    const std::string& text = shown.front();
    QVERIFY(text.find("コピー先(" + dir / "photos/backup)がコピー元(" + dir / "photos)の中") !=
            std::string::npos);
    QVERIFY(text.find("(" + dir / "home/docs)(" + dir / "work/docs)") != std::string::npos);
    QVERIFY(text.find("「docs」") != std::string::npos);
    QCOMPARE(item.DstDir, dir / "photos/backup");

    TFrmTask d;
    item.SrcDirs = dir / "a\r\n" + dir / "b\r\n";
    item.DstDir = dir / "ab";
    d.Load(item);
    QVERIFY(d.Warnings().empty()); // a name that only starts like a source is not inside it
}

void TaskEditorTest::everyControlHasAMnemonicOfItsOwn() {
    TFrmTask d;
    d.Load(TVMTask{});
    d.show();
    for (int page = 0; page < d.Pages->count(); ++page) {
        d.Pages->setCurrentIndex(page);
        QStringList letters;
        for (int t = 0; t < d.Pages->count(); ++t)
            letters << d.Pages->tabText(t).mid(d.Pages->tabText(t).indexOf(QLatin1Char('&')) + 1,
                                               1);
        for (auto* b : d.findChildren<QAbstractButton*>()) {
            if (!b->isVisibleTo(&d) || b == d.Zoom || b->text().isEmpty() ||
                qobject_cast<QDialogButtonBox*>(b->parentWidget()))
                continue;
            const qsizetype at = b->text().indexOf(QLatin1Char('&'));
            QVERIFY2(at >= 0, qPrintable(b->text()));
            letters << b->text().mid(at + 1, 1).toUpper();
        }
        for (auto* l : d.findChildren<QLabel*>())
            if (l->isVisibleTo(&d) && l->buddy())
                letters << l->text().mid(l->text().indexOf(QLatin1Char('&')) + 1, 1).toUpper();
        QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
    }
    QVERIFY(d.BtnOk->isDefault());
}

void TaskEditorTest::theZoomButtonScalesFromTheRecordedLayout() {
    QDialog form;
    form.resize(300, 200);
    QFont font = form.font();
    font.setPointSize(9);
    form.setFont(font);
    auto* control = new QPushButton(QStringLiteral("x"), &form);
    control->setGeometry(100, 20, 75, 30);
    auto* zoom = new ui::TDlgZoomButton(&form);
    zoom->move(0, 175);
    zoom->MediumCaption = QStringLiteral("M");
    form.show();
    zoom->RecordLayout();
    QCOMPARE(zoom->State(), ui::TDlgZoomState::dzSmall);
    QCOMPARE(control->geometry(), QRect(100, 20, 75, 30));

    zoom->Click();
    QCOMPARE(zoom->State(), ui::TDlgZoomState::dzMedium);
    QCOMPARE(control->geometry(), QRect(150, 30, 112, 45));
    QCOMPARE(form.font().pointSize(), 13);
    QCOMPARE(form.size(), QSize(450, 300));
    QCOMPARE(zoom->size(), QSize(25, 25)); // not sizeable, but it moves
    QCOMPARE(zoom->pos(), QPoint(0, 262));
    QCOMPARE(zoom->text(), QStringLiteral("M"));

    zoom->Click();
    QCOMPARE(control->geometry(), QRect(200, 40, 150, 60));
    QCOMPARE(form.font().pointSize(), 18);
    QCOMPARE(zoom->size(), QSize(25, 25));

    zoom->Click(); // the third click: back to the recorded layout exactly
    QCOMPARE(zoom->State(), ui::TDlgZoomState::dzSmall);
    QCOMPARE(control->geometry(), QRect(100, 20, 75, 30));
    QCOMPARE(form.font().pointSize(), 9);
    QCOMPARE(form.size(), QSize(300, 200));

    // Recording again while zoomed starts from the design, not from the zoomed layout.
    zoom->Click();
    zoom->RecordLayout();
    QCOMPARE(control->geometry(), QRect(100, 20, 75, 30));
    zoom->Click();
    QCOMPARE(control->geometry(), QRect(150, 30, 112, 45));
    zoom->Click();
    zoom->Click();

    // A control made after the recording is left alone.
    auto* later = new QPushButton(QStringLiteral("y"), &form);
    later->setGeometry(10, 10, 40, 20);
    later->show();
    zoom->Click();
    QCOMPARE(later->geometry(), QRect(10, 10, 40, 20));

    // The item editor zooms as a whole and comes back to its size.
    TFrmTask editor;
    editor.Load(TVMTask{});
    editor.show();
    QApplication::processEvents();
    const QSize designed = editor.size();
    const int designedFont = editor.font().pointSize();
    editor.Zoom->Click();
    QCOMPARE(editor.font().pointSize(), designedFont * 150 / 100);
    QVERIFY(editor.width() >= designed.width() * 5 / 4);
    QVERIFY(editor.EditSrc->font().pointSize() == designedFont * 150 / 100);
    editor.Zoom->Click();
    editor.Zoom->Click();
    QCOMPARE(editor.size(), designed);
}
