#pragma once
// System-wide hot keys of a window program: X11 key grabs on the root window while the program runs
// under X11; elsewhere registering fails quietly and the keys are simply absent. GUI thread only.
#include <QAbstractNativeEventFilter>
#include <QHash>
#include <QObject>
#include <functional>

namespace platform {

class GlobalHotKeys final : public QObject, public QAbstractNativeEventFilter
{
public:
    explicit GlobalHotKeys(QObject *parent = nullptr);
    ~GlobalHotKeys() override;
    GlobalHotKeys(const GlobalHotKeys &) = delete;
    GlobalHotKeys &operator=(const GlobalHotKeys &) = delete;

    // Grabs Alt + the letter (A to Z) for the whole desktop; false when there is no X11 display or
    // another program holds the key. The handler runs on the GUI thread with the identifier.
    bool registerAltKey(int identifier, char letter, std::function<void(int identifier)> handler);
    void unregisterKey(int identifier);
    void unregisterAll();

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    struct Grab
    {
        quint8 keycode = 0;
        std::function<void(int)> handler;
    };
    QHash<int, Grab> m_grabs;
    bool m_filterInstalled = false;
};

} // namespace platform
