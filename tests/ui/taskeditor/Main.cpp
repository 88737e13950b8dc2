#include "tests/ui/taskeditor/Tests.h"

#include <QApplication>
#include <QtTest>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    int failures = 0;
    TaskEditorTest editor;
    failures += QTest::qExec(&editor, argc, argv);
    SettingsDialogsTest settings;
    failures += QTest::qExec(&settings, argc, argv);
    return failures;
}
