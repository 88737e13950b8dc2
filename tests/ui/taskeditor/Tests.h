// The test classes of the item editor and the settings dialogs, run by Main.cpp.
#pragma once

#include <QObject>

class TaskEditorTest : public QObject {
    Q_OBJECT

private slots:
    void cancelLeavesTheItemAsItWas();
    void theItemGoesInAndComesBackOut();
    void sourceButtonsFollowSelectionAndText();
    void addingAndReplacingAskForMissingDirectories();
    void upAndDownSwapWithinTheList();
    void theDaysFieldRule();
    void sharedArchivesAndADestinationInsideASourceAreWarnedOf();
    void everyControlHasAMnemonicOfItsOwn();
    void theZoomButtonScalesFromTheRecordedLayout();
};

class SettingsDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void optionsGoInAndComeOutOnOk();
    void zipChosenInTheWindowIsSavedAtOnce();
    void definitionSettingsMarkTheDefinitionChanged();
};
