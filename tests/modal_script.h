// Drives modal dialogs from inside their own modal loops: each dialog that
// activates on this thread (message boxes aside) takes the next step of the
// script, which runs from a timer once the dialog's loop is running.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class ModalScript {
public:
    using Step = std::function<void(HWND dialog)>;
    ModalScript();
    ~ModalScript();
    // The next dialog to activate runs this step.
    void Then(Step step);
    bool Done() const { return steps.empty(); }

    std::deque<Step> steps;

private:
    HHOOK hook;
};

// Dispatches what is waiting in this thread's queue.
void PumpMessages();
// Destroys a main window of the program and drops what it leaves queued,
// its quit message included, so that later modal loops are not ended by it.
void CloseProgramWindow(HWND window);

// The lines of a list box.
std::vector<std::wstring> ListLines(HWND list);

// Paints the dialog now (the dialogs rebuild their lists when they paint).
void PaintNow(HWND dialog);

// Paints the dialog now and returns the tab stops that its paint gave the list.
std::vector<INT> TabStopsOfPaint(HWND dialog, int listId);

// Selects a row of the dialog's list and double-clicks it.
void DoubleClickRow(HWND dialog, int listId, int row);

// A key pressed and released on the control that has the focus, through the
// dialog manager as the dialog's modal loop would handle it.
void PressKey(HWND dialog, UINT key);

// Selects a row of the dialog's list, gives the list the focus and presses
// Enter; true when the dialog is still shown afterwards.
bool EnterOnRow(HWND dialog, int listId, int row);

// Clicks a button of the dialog: the focus moves to it first, as with a mouse click.
void PressButton(HWND dialog, int id);

// The ways a person leaves a dialog without its changes: its Cancel button,
// the Escape key and the close box of its caption.
struct CancelWay {
    const char *name;
    void (*leave)(HWND dialog);
};
extern const CancelWay kCancelWays[3];
