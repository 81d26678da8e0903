#include "GlobalHotKeys.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform {

namespace {

xcb_connection_t *x11Connection()
{
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootWindow(xcb_connection_t *connection)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    return xcb_setup_roots_iterator(setup).data->root;
}

// The keycode that produces the letter's keysym (lower case) without modifiers.
quint8 keycodeFor(xcb_connection_t *connection, char letter)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const quint8 first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    xcb_get_keyboard_mapping_reply_t *reply = xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, first, static_cast<quint8>(count)), nullptr);
    if (!reply)
        return 0;
    const xcb_keysym_t wanted = static_cast<xcb_keysym_t>(letter >= 'A' && letter <= 'Z' ? letter - 'A' + 'a' : letter);
    const xcb_keysym_t *symbols = xcb_get_keyboard_mapping_keysyms(reply);
    quint8 found = 0;
    for (int code = 0; code < count && !found; ++code)
        for (int i = 0; i < reply->keysyms_per_keycode; ++i)
            if (symbols[code * reply->keysyms_per_keycode + i] == wanted) {
                found = static_cast<quint8>(first + code);
                break;
            }
    std::free(reply);
    return found;
}

// Lock keys must not turn a hot key off: grab it with every combination of Caps Lock and Num Lock.
const quint16 lockCombinations[] = { 0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2 };

} // namespace

GlobalHotKeys::GlobalHotKeys(QObject *parent)
    : QObject(parent)
{
}

GlobalHotKeys::~GlobalHotKeys()
{
    unregisterAll();
    if (m_filterInstalled && qApp)
        qApp->removeNativeEventFilter(this);
}

bool GlobalHotKeys::registerAltKey(int identifier, char letter, std::function<void(int)> handler)
{
    xcb_connection_t *connection = x11Connection();
    if (!connection)
        return false;
    unregisterKey(identifier);
    const quint8 keycode = keycodeFor(connection, letter);
    if (keycode == 0)
        return false;
    const xcb_window_t root = rootWindow(connection);
    bool granted = true;
    for (quint16 locks : lockCombinations) {
        xcb_generic_error_t *error = xcb_request_check(
            connection, xcb_grab_key_checked(connection, 1, root, static_cast<quint16>(XCB_MOD_MASK_1 | locks), keycode,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        if (error) {
            granted = false;
            std::free(error);
        }
    }
    if (!granted) { // another program holds the key: the hot key is absent
        for (quint16 locks : lockCombinations)
            xcb_ungrab_key(connection, keycode, root, static_cast<quint16>(XCB_MOD_MASK_1 | locks));
        xcb_flush(connection);
        return false;
    }
    if (!m_filterInstalled) {
        qApp->installNativeEventFilter(this);
        m_filterInstalled = true;
    }
    m_grabs.insert(identifier, { keycode, std::move(handler) });
    return true;
}

void GlobalHotKeys::unregisterKey(int identifier)
{
    const auto found = m_grabs.find(identifier);
    if (found == m_grabs.end())
        return;
    if (xcb_connection_t *connection = x11Connection()) {
        const xcb_window_t root = rootWindow(connection);
        for (quint16 locks : lockCombinations)
            xcb_ungrab_key(connection, found->keycode, root, static_cast<quint16>(XCB_MOD_MASK_1 | locks));
        xcb_flush(connection);
    }
    m_grabs.erase(found);
}

void GlobalHotKeys::unregisterAll()
{
    const QList<int> identifiers = m_grabs.keys();
    for (int identifier : identifiers)
        unregisterKey(identifier);
}

bool GlobalHotKeys::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7F) != XCB_KEY_PRESS)
        return false;
    const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (!(press->state & XCB_MOD_MASK_1))
        return false;
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
        if (it->keycode == press->detail) {
            const int identifier = it.key();
            const auto handler = it->handler;
            if (handler)
                handler(identifier);
            return true;
        }
    }
    return false;
}

} // namespace platform
