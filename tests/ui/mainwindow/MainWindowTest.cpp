// The main window under Qt's offscreen platform: start-up, rows, title, marker, close question.
#include "definition/TVMDefinition.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/XdgSandbox.h"
#include "ui/TFrmMainWnd.h"
#include "ui/TaskRows.h"

#include <QAction>
#include <QLabel>
#include <QTreeWidget>
#include <QtTest>

using testing_support::RecordingHost;
using testing_support::XdgSandbox;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<XdgSandbox> xdg;
    std::string definitionPath;

    std::unique_ptr<ui::TFrmMainWnd> OpenWindow() {
        auto window = std::make_unique<ui::TFrmMainWnd>(std::vector<std::string>{definitionPath});
        window->show();
        // The start-up runs from the posted message once the window is shown.
        [&] { QTRY_COMPARE(window->windowTitle(), QStringLiteral("Daily.VMP - Velmoran")); }();
        return window;
    }

private slots:
    void init() {
        xdg = std::make_unique<XdgSandbox>();
        definition::TVMDefinition def;
        auto first = std::make_unique<definition::TVMTask>();
        first->SrcDirs = "/home/ann/documents/projects/velmoran/source\r\n/srv/b\r\n/srv/c";
        first->DstDir = "/mnt/backup/very/long/destination/directory/for/ann";
        first->TargetFiles = "*.txt;*.doc";
        first->SkipFiles = "*.bak";
        def.Tasks.push_back(std::move(first));
        auto second = std::make_unique<definition::TVMTask>();
        second->SrcDirs = "/home/ann/日本語";
        second->DstDir = "/b";
        def.Tasks.push_back(std::move(second));
        def.Tasks.push_back(std::make_unique<definition::TVMTask>());
        def.FileName = xdg->Dir() / "Daily.VMP";
        RecordingHost quiet;
        def.SaveToFile(quiet);
        definitionPath = def.FileName;
    }

    void cleanup() { xdg.reset(); }

    void startUpOpensTheDefinitionAndFillsTheRows() {
        auto window = OpenWindow();
        QTreeWidget* list = window->LvTask();
        QCOMPARE(list->topLevelItemCount(), 3);
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("コピー元"));
        QCOMPARE(list->headerItem()->text(2), QStringLiteral("条件"));
        const QString source = list->topLevelItem(0)->text(0);
        QVERIFY2(source.endsWith(QStringLiteral("source+")), qPrintable(source));
        QCOMPARE(list->topLevelItem(1)->text(0), QStringLiteral("/home/ann/日本語"));
        QCOMPARE(list->topLevelItem(0)->text(2),
                 QStringLiteral("Target='*.txt;*.doc' ; Exception='*.bak'"));
        // Long paths are shortened to their column's width.
        const QString dest = list->topLevelItem(0)->text(1);
        QVERIFY2(dest.contains(QStringLiteral("...")) && dest.endsWith(QStringLiteral("/ann")),
                 qPrintable(dest));
        QVERIFY(list->fontMetrics().horizontalAdvance(dest) <= list->columnWidth(1));
        QCOMPARE(window->StatusPanel(0)->text(), QString());
        QVERIFY(!window->Action(host::TAction::FileSave)->isEnabled());
        QVERIFY(window->Action(host::TAction::FileSaveAs)->isEnabled());
    }

    void modifiedMarkerAndActions() {
        auto window = OpenWindow();
        window->Model().Definition.Modified = true;
        window->Model().Definition.UpdateTitle(*window);
        QCOMPARE(window->StatusPanel(0)->text(), QStringLiteral("変更"));
        QVERIFY(window->Action(host::TAction::FileSave)->isEnabled());
        QVERIFY(window->StatusPanel(0)->width() >=
                window->StatusPanel(0)->fontMetrics().horizontalAdvance(QStringLiteral("*変更*")));
    }

    void resizingReshortensRowsAndKeepsTheSelection() {
        auto window = OpenWindow();
        QTreeWidget* list = window->LvTask();
        window->SelectRow(1);
        list->setColumnWidth(0, 400);
        QCOMPARE(list->topLevelItem(0)->text(0),
                 QStringLiteral("/home/ann/documents/projects/velmoran/source+"));
        list->setColumnWidth(0, 90);
        QVERIFY(list->topLevelItem(0)->text(0).contains(QStringLiteral("...")));
        window->resize(300, 200);
        QCoreApplication::processEvents();
        QCOMPARE(window->SelectedRow(), 1);
    }

    void closeQuestionIsAnsweredThroughTheScript() {
        auto window = OpenWindow();
        std::vector<std::string> asked;
        window->Model().Definition.Modified = true;

        // Yes, then the save dialog is cancelled: the close is refused.
        window->MessageHook = [&](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            asked.push_back(text);
            return host::TMsgAnswer::Yes;
        };
        window->Model().Definition.FileName.clear();
        window->FileDialogHook = [](bool) { return std::nullopt; };
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QCOMPARE(asked.size(), std::size_t{1});
        QVERIFY(asked[0].find("Velmoranを終了すると変更点は失われてしまいます．") !=
                std::string::npos);

        // No: the window closes without saving.
        window->MessageHook = [&](host::TMsgKind, const std::string& text, host::TMsgButtons) {
            asked.push_back(text);
            return host::TMsgAnswer::No;
        };
        QVERIFY(window->close());
        QCOMPARE(asked.size(), std::size_t{2});
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
