#pragma once
// A user-interface service for tests: records every message and question and answers as the test
// says, so no test ever blocks on a real dialog. Main thread only.
#include "framework/ZenqUserInterface.h"

#include <QStringList>

#include <functional>

class ScriptedUserInterface final : public ZenqUserInterface
{
public:
    JMessageResult message(const QString &text, int) override
    {
        messages << text;
        captions << QString();
        if (whileShown)
            whileShown(); // what a real box's own event loop may run before the user answers
        return messageAnswer;
    }
    JMessageResult messageWithCaption(const QString &caption, const QString &text, int flags) override
    {
        const JMessageResult answer = message(text, flags);
        captions.last() = caption;
        return answer;
    }
    bool inputQuery(const QString &title, const QString &prompt, QString &value) override
    {
        titles << title;
        prompts << prompt;
        if (whileShown)
            whileShown();
        if (inputAnswers.isEmpty())
            return false;
        value = inputAnswers.takeFirst();
        return true;
    }
    bool inputQueryWithPreviousValues(const QString &title, const QString &prompt, QString &value,
                                      const QStringList &previous) override
    {
        previousValues = previous;
        return inputQuery(title, prompt, value);
    }
    void waitCursor() override { ++waitDepth; ++waitCursorsShown; }
    void defaultCursor() override { --waitDepth; }
    int showProgressMessage(const QString &text) override
    {
        progressTexts << text;
        return ++progressOpen;
    }
    void closeProgressMessage(int) override { --progressOpen; }
    void bringToFront() override { ++broughtToFront; }
    QString openFileName(const QString &, const QString &, const QString &) override { return fileAnswer; }
    bool openWithDesktop(const QString &file) override
    {
        openedWithDesktop << file;
        return true;
    }

    JMessageResult messageAnswer = JMessageResult::Ok;
    std::function<void()> whileShown;
    QStringList inputAnswers;
    QString fileAnswer;
    QStringList messages, captions, titles, prompts, previousValues, progressTexts, openedWithDesktop;
    int waitDepth = 0, waitCursorsShown = 0, progressOpen = 0, broughtToFront = 0;
};

// Installs a scripted service for its lifetime and puts the previous one back.
class ScopedScriptedUserInterface
{
public:
    ScopedScriptedUserInterface()
    {
        auto ui = std::make_unique<ScriptedUserInterface>();
        m_ui = ui.get();
        m_previous = ZenqSetUserInterface(std::move(ui));
    }
    ~ScopedScriptedUserInterface() { ZenqSetUserInterface(std::move(m_previous)); }
    ScriptedUserInterface *operator->() const { return m_ui; }
    ScriptedUserInterface &operator*() const { return *m_ui; }

private:
    ScriptedUserInterface *m_ui = nullptr;
    std::unique_ptr<ZenqUserInterface> m_previous;
};
