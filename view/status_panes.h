// The four status panes written afresh from the shown document: its total
// and its selection, or blank panes when there is no document or no selection.
#pragma once

class CallBackInfo;

// Writes every pane, so that nothing a former document or selection left
// stays shown (after an open, a close or a replaced document).
void ShowDocumentStatus(const CallBackInfo* doc);

// Right edges of the first three panes for a status bar of the given width:
// 200, 450 and 700 when the last pane keeps kLastPaneWidth, else moved left
// in proportion so that the last pane stays readable beside the scroll bar.
constexpr int kLastPaneWidth = 280;
void StatusPaneEdges(int width, int edges[3]);
