// The worker thread of a live preview: one computation at a time, off the
// dialog's thread, on images and settings of its own. The dialog hands each
// computation copies of what it reads; the picture comes back through a
// posted message and is handed out only while the settings it was computed
// for are still the latest, so a stale picture is never shown. Closing waits
// for the thread after asking it to stop.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "image/vms_store.h"

// An image owned by a unique_ptr: freed through the store.
struct VmsImageFree {
    void operator()(VmsImage* image) const { g_VmsStore.Free(&image); }
};
using OwnedImage = std::unique_ptr<VmsImage, VmsImageFree>;

class PreviewWorker {
public:
    // The computation, run on the worker thread: returns the finished picture
    // (owned by the caller) or null when it stopped early (cancel set) or had
    // no memory. It must touch nothing the dialog may change meanwhile.
    using Job = std::function<VmsImage*(const std::atomic<int>& cancel)>;

    PreviewWorker() = default;
    PreviewWorker(const PreviewWorker&) = delete;
    PreviewWorker& operator=(const PreviewWorker&) = delete;
    ~PreviewWorker() { Stop(); }

    // Starts job on a new thread and returns 1; 0 (nothing started) while the
    // last one still runs or has not been collected by Finish. When the job
    // ends, `message` is posted to `notify`.
    int Start(HWND notify, UINT message, Job job);
    // 1 from Start until Finish or Stop collects the thread.
    int Busy() const { return thread_.joinable(); }
    // 1 once the started job has ended (its message is on its way).
    int Ended() const { return ended_.load(); }
    // The settings changed: the running job's picture will not be handed out,
    // and the job is asked to stop early.
    void Invalidate();
    // Collects an ended job: its picture when its settings are still the
    // latest, else null (freed). Does nothing and returns null while the job
    // runs.
    OwnedImage Finish();
    // Asks the running job to stop, waits for its thread and drops its picture.
    void Stop();

private:
    std::thread thread_;
    std::shared_ptr<std::atomic<int>> cancel_;
    std::atomic<int> ended_{0};
    std::atomic<unsigned> settings_{0};   // bumped by Invalidate
    unsigned startedFor_ = 0;              // settings_ when the job started
    std::mutex lock_;                      // guards result_
    OwnedImage result_;
};

// Worker threads of all previews alive now (tests).
int PreviewWorkersAlive();

// A seam for tests: called on the worker thread before each computation; it
// may hold the worker (it should return once cancel is set).
typedef void (*PreviewWorkerGate)(const std::atomic<int>& cancel, void* user);
void SetPreviewWorkerGate(PreviewWorkerGate gate, void* user);

// The preview timer of a dialog. Stop kills it when it runs; Restart stops it
// and sets it again under the first id from 0 up that SetTimer accepts.
struct PreviewTimer {
    int id = -1;    // -1: none
    void Stop(HWND wnd);
    void Restart(HWND wnd, UINT period);
};

// A shared copy of an image for a worker's job (null stays null).
std::shared_ptr<VmsImage> ShareCopy(const VmsImage* image);

// The whole-layer preview's computation: a 32-bit picture of source's size,
// each row through map, then shown over white by alpha (when given). Null
// when cancel was set midway or there was no memory.
VmsImage* MapPreviewRows(const VmsImage* source, const VmsImage* alpha, const std::atomic<int>& cancel,
                         const std::function<void(uint32_t* row, int n)>& map);
