#pragma once
#include "host/classes.h"
#include <cstdint>
#include <functional>

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// The generic message record; a handler reads its parameters and leaves its answer in Result.
struct TMessage {
    uint32_t Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

// Numbers of the messages the system exchanges or simulates. Own messages are WM_USER + n.
enum : uint32_t {
    WM_NULL = 0x0000,
    WM_SIZE = 0x0005,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_ERASEBKGND = 0x0014,
    WM_GETDLGCODE = 0x0087,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_HSCROLL = 0x0114,
    WM_VSCROLL = 0x0115,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_USER = 0x0400,
};

enum : uint16_t { VK_F11 = 0x7A };

// Takes the exception a message handler raised (called inside the catch block). The application object
// installs its exception handler here when it is made; an empty handler puts back the default, which
// writes the message to the log.
using TMessageExceptionHandler = std::function<void(TComponent* Sender)>;
void SetMessageExceptionHandler(TMessageExceptionHandler Handler);

// Requests of WM_HSCROLL and WM_VSCROLL, in the low word of WParam; the high word carries the position
// of SB_THUMBPOSITION and SB_THUMBTRACK.
enum : uint16_t {
    SB_LINEUP = 0,
    SB_LINELEFT = 0,
    SB_LINEDOWN = 1,
    SB_LINERIGHT = 1,
    SB_PAGEUP = 2,
    SB_PAGELEFT = 2,
    SB_PAGEDOWN = 3,
    SB_PAGERIGHT = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_LEFT = 6,
    SB_BOTTOM = 7,
    SB_RIGHT = 7,
    SB_ENDSCROLL = 8,
};

// Answers to WM_GETDLGCODE.
enum : LRESULT { DLGC_WANTARROWS = 0x0001, DLGC_WANTTAB = 0x0002, DLGC_WANTALLKEYS = 0x0004 };

constexpr WPARAM MAKEWPARAM(uint16_t Low, uint16_t High) {
    return WPARAM(Low) | (WPARAM(High) << 16);
}
// Mouse messages carry the keys and buttons held down in WParam and the point, in the receiver's
// coordinates, in LParam.
enum : WPARAM { MK_LBUTTON = 0x0001, MK_RBUTTON = 0x0002, MK_SHIFT = 0x0004, MK_CONTROL = 0x0008 };
constexpr LPARAM MAKELPARAM(int X, int Y) {
    return LPARAM(uint16_t(int16_t(X))) | (LPARAM(uint16_t(int16_t(Y))) << 16);
}
constexpr int GET_X_LPARAM(LPARAM Value) {
    return int16_t(uint16_t(Value & 0xFFFF));
}
constexpr int GET_Y_LPARAM(LPARAM Value) {
    return int16_t(uint16_t((Value >> 16) & 0xFFFF));
}
constexpr uint16_t LOWORD(uintptr_t Value) {
    return uint16_t(Value & 0xFFFF);
}
constexpr uint16_t HIWORD(uintptr_t Value) {
    return uint16_t((Value >> 16) & 0xFFFF);
}

// Sends a message: the receiver handles it at once, before this returns. As with a message sent to a
// window, an exception of the handler goes to the application's exception handler and the result is 0.
LRESULT SendMessage(TComponent* Receiver, uint32_t Msg, WPARAM WParam = 0, LPARAM LParam = 0);

// Posts a message: it waits in the queue until the application processes messages. A message whose
// receiver is freed before then is dropped. Returns false when there is no receiver.
bool PostMessage(TComponent* Receiver, uint32_t Msg, WPARAM WParam = 0, LPARAM LParam = 0);

// Posts a message that refers to a second component (passed as LParam): it is dropped as well when
// that component is freed before delivery, so the handler never sees a stale pointer.
bool PostMessage(TComponent* Receiver, uint32_t Msg, WPARAM WParam, TComponent* Subject);

// Delivers the posted messages in order until the queue is empty, also those posted while delivering.
// An exception of a handler goes to the application's exception handler and delivery goes on.
// Returns the number of messages delivered.
int DeliverPostedMessages();

int PostedMessageCount();
// True when a message with this number waits for Receiver.
bool HasPostedMessage(const TComponent* Receiver, uint32_t Msg);
// Drops every posted message to or about Component; freeing a component does this.
void RemovePostedMessages(const TComponent* Component);
// Empties the queue (for tests).
void ClearPostedMessages();
