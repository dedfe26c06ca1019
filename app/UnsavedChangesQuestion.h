// The question asked before an action drops changes the user has not saved
// (a read from the controller, a file opened, the window's end): save them
// into a file first, let them go, or leave the action undone.
#pragma once

class QWidget;

namespace UnsavedChangesQuestion {

enum class TAnswer { SaveToFile, Discard, Cancel };

// Asks in a modal box titled with the application title. Escape, and the
// box's close button, cancel.
TAnswer Ask(QWidget *parent);

} // namespace UnsavedChangesQuestion
