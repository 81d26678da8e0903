#include "ZenqUserInterface.h"

#include "ZenqRegistry.h"

namespace {

// Shows nothing: for programs without a window system (the zenq tool, headless console).
class SilentUserInterface final : public ZenqUserInterface
{
public:
    JMessageResult message(const QString &, int flags) override
    {
        const int buttons = flags & 0xF;
        if (buttons == static_cast<int>(JMessageFlag::YesNo) || buttons == static_cast<int>(JMessageFlag::YesNoCancel))
            return JMessageResult::No;
        return JMessageResult::Ok;
    }
    bool inputQuery(const QString &, const QString &, QString &) override { return false; }
    bool inputQueryWithPreviousValues(const QString &, const QString &, QString &, const QStringList &) override
    {
        return false;
    }
    void waitCursor() override {}
    void defaultCursor() override {}
    int showProgressMessage(const QString &) override { return 0; }
    void closeProgressMessage(int) override {}
    void bringToFront() override {}
};

std::unique_ptr<ZenqUserInterface> &current()
{
    static std::unique_ptr<ZenqUserInterface> ui = std::make_unique<SilentUserInterface>();
    return ui;
}

} // namespace

ZenqUserInterface &ZenqUI()
{
    return *current();
}

std::unique_ptr<ZenqUserInterface> ZenqSetUserInterface(std::unique_ptr<ZenqUserInterface> ui)
{
    if (!ui)
        ui = std::make_unique<SilentUserInterface>();
    current().swap(ui);
    return ui;
}

JMessageResult JUserMessage(const QString &text, int flags)
{
    return ZenqUI().message(text, flags);
}

JMessageResult JUserExtMessage(const QString &caption, const QString &text, int flags)
{
    return ZenqUI().messageWithCaption(caption, text, flags);
}

bool JUserOKCANCELQuestion(const QString &text, int defaultButton)
{
    Q_UNUSED(defaultButton) // the service's question has no default button to choose
    return ZenqUI().message(text, static_cast<int>(JMessageFlag::OkCancel) | static_cast<int>(JMessageFlag::IconQuestion))
        == JMessageResult::Ok;
}

bool JUserInputQuery(const QString &title, const QString &prompt, QString &value)
{
    return ZenqUI().inputQuery(title, prompt, value);
}

bool JUserInputQueryWithPreviousValues(const QString &title, const QString &prompt, QString &value,
                                       const QString &registryKey, const QString &valueName)
{
    constexpr qsizetype kept = 20;
    const QChar separator = QLatin1Char('\n');
    QStringList previous = JGetRegistryString(registryKey, valueName).split(separator, Qt::SkipEmptyParts);
    if (!ZenqUI().inputQueryWithPreviousValues(title, prompt, value, previous))
        return false;
    if (!value.isEmpty() && !value.contains(separator)) {
        previous.removeAll(value);
        previous.prepend(value);
        JSetRegistryString(registryKey, valueName, previous.mid(0, kept).join(separator));
    }
    return true;
}

void JWaitCursor()
{
    ZenqUI().waitCursor();
}

void JDefaultCursor()
{
    ZenqUI().defaultCursor();
}
