#pragma once
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QString>
#include <QWidget>

// Makes a child widget of a form's window, named as the form's field (tests find it by that name) and
// placed at the form's pixel geometry; Text, when given, becomes its caption.
template <class T>
T* MakeFormWidget(QWidget* Parent, const char* Name, int X, int Y, int W, int H, const char* Text = nullptr) {
    auto* Widget = new T(Parent);
    Widget->setObjectName(QString::fromLatin1(Name));
    Widget->setGeometry(X, Y, W, H);
    if constexpr (requires(T * Made) { Made->setText(QString()); })
        if (Text) Widget->setText(QString::fromLatin1(Text));
    return Widget;
}

// Places a window in the middle of the primary screen's free area.
inline void CenterOnScreen(QWidget* Window) {
    const QScreen* Primary = QGuiApplication::primaryScreen();
    if (!Primary) return;
    QRect Frame = Window->frameGeometry();
    Frame.moveCenter(Primary->availableGeometry().center());
    Window->move(Frame.topLeft());
}
