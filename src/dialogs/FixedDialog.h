#pragma once
// The frame shared by the program's message and progress windows: a window of fixed size with a
// thin raised dialog border and no title bar (no caption, no close box), whose controls sit in a
// client area placed inside the border.
#include <QDialog>
#include <QList>

class QLabel;

namespace tralex {

class FixedDialog : public QDialog {
    Q_OBJECT
public:
    // Width of the dialog border around the client area, in pixels.
    static constexpr int FrameWidth = 3;

    // `name` becomes the window's objectName.
    explicit FixedDialog(const QString& name);

    // The area inside the border that holds the controls.
    QWidget* client() const { return mClient; }

    // Makes the client area `size` pixels and the window that plus the border, both fixed.
    void setClientSize(const QSize& size);

protected:
    // Shows `text` in a label that sizes itself to its text and keeps its horizontal centre. When the
    // label is then wider than the client area, the window widens to the label's width + 200 twips
    // and every control of `centred` is centred in it. The window never becomes narrower here.
    void setSelfSizingText(QLabel* label, const QString& text, const QList<QWidget*>& centred);

    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* mClient;
};

}  // namespace tralex
