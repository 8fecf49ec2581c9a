// Answers the program's boxes in the tests and records what they would have shown.
#pragma once

#include <functional>

#include <QList>
#include <QString>

#include "ui/dialogs.h"

class TestDialogs : public vexaris::ui::DialogHook
{
public:
    void reset() { *this = TestDialogs(); }

    bool answer(const vexaris::ui::BoxRecord &question) override
    {
        questions.append(question);
        // An unexpected question is answered No, which changes nothing.
        return answers.isEmpty() ? false : answers.takeFirst();
    }

    void shown(const vexaris::ui::BoxRecord &notice) override
    {
        notices.append(notice);
        if (whenShown)
            whenShown();
    }

    QString input(const vexaris::ui::BoxRecord &box, const QString &initial) override
    {
        inputBoxes.append(box);
        initialTexts.append(initial);
        return inputs.isEmpty() ? initial : inputs.takeFirst();
    }

    QString folder(const vexaris::ui::BoxRecord &chooser, const QString &start) override
    {
        folderChoosers.append(chooser);
        startFolders.append(start);
        return folders.isEmpty() ? QString() : folders.takeFirst();
    }

    QList<bool> answers;
    // Runs as a notice is shown, to see what the program had done by then.
    std::function<void()> whenShown;
    QList<QString> inputs;
    QList<vexaris::ui::BoxRecord> questions;
    QList<vexaris::ui::BoxRecord> notices;
    QList<vexaris::ui::BoxRecord> inputBoxes;
    QList<QString> initialTexts;
    QList<QString> folders;
    QList<vexaris::ui::BoxRecord> folderChoosers;
    QList<QString> startFolders;
};
