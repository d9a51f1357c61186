#include "desktop/KeyInput.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>

namespace tralex {

namespace {

struct KeyInfo {
    int key = 0;  // Qt::Key, 0 for none
    QString text;
    bool keypad = false;
};

KeyInfo keyFor(int vk)
{
    if (vk >= 0x30 && vk <= 0x39)
        return {Qt::Key_0 + (vk - 0x30), QString(QChar(vk))};
    if (vk >= 0x41 && vk <= 0x5A)
        return {Qt::Key_A + (vk - 0x41), QString(QChar(vk + 0x20))};
    if (vk >= 0x60 && vk <= 0x69)
        return {Qt::Key_0 + (vk - 0x60), QString(QChar(0x30 + vk - 0x60)), true};
    if (vk >= 0x70 && vk <= 0x87)
        return {Qt::Key_F1 + (vk - 0x70), QString()};
    switch (vk) {
    case 0x08: return {Qt::Key_Backspace, QStringLiteral("\b")};
    case 0x09: return {Qt::Key_Tab, QStringLiteral("\t")};
    case 0x0C: return {Qt::Key_Clear, QString()};
    case 0x0D: return {Qt::Key_Return, QStringLiteral("\r")};
    case 0x10: case 0xA0: case 0xA1: return {Qt::Key_Shift, QString()};
    case 0x11: case 0xA2: case 0xA3: return {Qt::Key_Control, QString()};
    case 0x12: case 0xA4: case 0xA5: return {Qt::Key_Alt, QString()};
    case 0x13: return {Qt::Key_Pause, QString()};
    case 0x14: return {Qt::Key_CapsLock, QString()};
    case 0x1B: return {Qt::Key_Escape, QStringLiteral("\x1b")};
    case 0x20: return {Qt::Key_Space, QStringLiteral(" ")};
    case 0x21: return {Qt::Key_PageUp, QString()};
    case 0x22: return {Qt::Key_PageDown, QString()};
    case 0x23: return {Qt::Key_End, QString()};
    case 0x24: return {Qt::Key_Home, QString()};
    case 0x25: return {Qt::Key_Left, QString()};
    case 0x26: return {Qt::Key_Up, QString()};
    case 0x27: return {Qt::Key_Right, QString()};
    case 0x28: return {Qt::Key_Down, QString()};
    case 0x2C: return {Qt::Key_Print, QString()};
    case 0x2D: return {Qt::Key_Insert, QString()};
    case 0x2E: return {Qt::Key_Delete, QString()};
    case 0x5B: case 0x5C: return {Qt::Key_Meta, QString()};
    case 0x5D: return {Qt::Key_Menu, QString()};
    case 0x6A: return {Qt::Key_Asterisk, QStringLiteral("*"), true};
    case 0x6B: return {Qt::Key_Plus, QStringLiteral("+"), true};
    case 0x6D: return {Qt::Key_Minus, QStringLiteral("-"), true};
    case 0x6E: return {Qt::Key_Period, QStringLiteral("."), true};
    case 0x6F: return {Qt::Key_Slash, QStringLiteral("/"), true};
    case 0x90: return {Qt::Key_NumLock, QString()};
    case 0x91: return {Qt::Key_ScrollLock, QString()};
    default: return {};
    }
}

Qt::KeyboardModifier modifierOf(int key)
{
    switch (key) {
    case Qt::Key_Shift: return Qt::ShiftModifier;
    case Qt::Key_Control: return Qt::ControlModifier;
    case Qt::Key_Alt: return Qt::AltModifier;
    case Qt::Key_Meta: return Qt::MetaModifier;
    default: return Qt::NoModifier;
    }
}

// A key event on its way through the event queue; its target is chosen when it arrives.
class QueuedKey : public QEvent {
public:
    static QEvent::Type kind()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    QueuedKey(QEvent::Type keyType, int key, Qt::KeyboardModifiers modifiers, const QString& text,
              quint32 vk)
        : QEvent(kind()), keyType(keyType), key(key), modifiers(modifiers), text(text), vk(vk)
    {
    }
    QEvent::Type keyType;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    quint32 vk;
};

class KeyRouter : public QObject {
public:
    using QObject::QObject;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QueuedKey::kind())
            return QObject::event(e);
        const auto* queued = static_cast<QueuedKey*>(e);
        if (QObject* target = QGuiApplication::focusObject()) {
            QKeyEvent key(queued->keyType, queued->key, queued->modifiers, 0, queued->vk, 0,
                          queued->text);
            QCoreApplication::sendEvent(target, &key);
        }
        return true;
    }
};

KeyRouter* router()
{
    static QPointer<KeyRouter> instance;
    if (!instance)
        instance = new KeyRouter(QCoreApplication::instance());
    return instance;
}

void post(QEvent::Type type, int vk, const KeyInfo& info, Qt::KeyboardModifiers modifiers)
{
    QString text = info.text;
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        text.clear();
    else if (modifiers & Qt::ShiftModifier)
        text = text.toUpper();
    if (info.keypad)
        modifiers |= Qt::KeypadModifier;
    QCoreApplication::postEvent(router(), new QueuedKey(type, info.key, modifiers, text, quint32(vk)));
}

}  // namespace

void PostVirtualKeys(const QList<int>& virtualKeyCodes)
{
    if (!QCoreApplication::instance())
        return;
    Qt::KeyboardModifiers held;
    for (int vk : virtualKeyCodes) {
        const KeyInfo info = keyFor(vk);
        if (!info.key)
            continue;
        // The modifiers after the key; QKeyEvent itself gives a modifier key's own events the
        // state before them, as keyboard events have it.
        held |= modifierOf(info.key);
        // Shift with Tab is what a keyboard delivers as Backtab.
        const bool backtab = info.key == Qt::Key_Tab && (held & Qt::ShiftModifier);
        post(QEvent::KeyPress, vk, backtab ? KeyInfo{Qt::Key_Backtab, QString()} : info, held);
    }
    for (int vk : virtualKeyCodes) {
        const KeyInfo info = keyFor(vk);
        if (!info.key)
            continue;
        held &= ~modifierOf(info.key);
        const bool backtab = info.key == Qt::Key_Tab && (held & Qt::ShiftModifier);
        post(QEvent::KeyRelease, vk, backtab ? KeyInfo{Qt::Key_Backtab, QString()} : info, held);
    }
}

}  // namespace tralex
