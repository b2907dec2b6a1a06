// "&Undo" (40101 / 41027) and "&Redo" (40102 / 41028) of the Edit menu: step
// the shown document's history and put the view where the step left it.
#pragma once

class CallBackInfo;
struct ViewState;

// Undo restores the bytes, the size, the selection and the top row of before
// the step; Redo does the step again and selects what it changed. 1 when a
// step was taken; 0, with nothing changed, otherwise.
int UndoLastStep(CallBackInfo* doc, ViewState* view);
int RedoNextStep(CallBackInfo* doc, ViewState* view);
