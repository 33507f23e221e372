// c_UndoManager: undo checkpoints of planes and the per-document history. The
// history itself (UndoStep entries, count, position) lives in CanvDoc; this
// object only holds the operations.
#pragma once
#include "canvas/canv_doc.h"

class c_UndoManager {
public:
    // Checkpoint of a plane before it changes (plane < 0: the current plane);
    // markModified sets the modified flag first. A checkpoint after an undo
    // drops the undone entries. Returns 1; 0 when the image store refused the
    // step (nothing is recorded and the position stays; the undone entries are
    // dropped all the same, since the store's own redo went with its attempt).
    static int SavePoint(CanvDoc* doc, int plane, int markModified);
    // One step back (redo 0) or forward (redo 1). 0 when there was nothing to
    // do or the store refused (position kept), else 1.
    static int Step(CanvDoc* doc, int plane, int redo);
    // Step under the wait cursor and the undo lock; repaint: redraw the document.
    static int StepLocked(CanvDoc* doc, int redo, int repaint);
    static int CanUndo(const CanvDoc* doc);
    // 1 when the entry at the position has a redo step.
    static int CanRedo(const CanvDoc* doc);
    // Empties every plane's history (limit 100) and the document's list.
    static void ResetCanvas(CanvDoc* doc);
};

// The process-wide undo lock, made at start-up and deleted at exit.
void InitUndoLock();
void DeleteUndoLock();
