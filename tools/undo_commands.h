// "&Undo" and "&Redo" of the Edit menu: step the current document's history
// and put the view, the size and the pending flag where the step left them.
#pragma once

// Undo restores the bytes, the size, the selection and the top row of before
// the step; Redo does the step again and selects what it changed. 1 when a
// step was taken; 0, with nothing changed, otherwise.
int UndoLastStep();
int RedoNextStep();

// The state a document returns to through Undo/Redo is the one last opened
// or kept in the workspace: marks the current state so.
void MarkDocumentKept();

void OnUndoCommand(); // 40101 / 41027
void OnRedoCommand(); // 40102 / 41028
