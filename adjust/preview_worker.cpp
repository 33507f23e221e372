#include "adjust/preview_worker.h"

#include <vector>

#include "adjust/adjust_preview.h"

namespace {

std::atomic<int> g_alive{0};
std::atomic<PreviewWorkerGate> g_gate{nullptr};
std::atomic<void*> g_gateUser{nullptr};

}  // namespace

int PreviewWorker::Start(HWND notify, UINT message, Job job) {
    if (thread_.joinable()) return 0;
    cancel_ = std::make_shared<std::atomic<int>>(0);
    ended_.store(0);
    startedFor_ = settings_.load();
    {
        std::lock_guard<std::mutex> hold(lock_);
        result_.reset();
    }
    ++g_alive;
    std::shared_ptr<std::atomic<int>> cancel = cancel_;
    thread_ = std::thread([this, notify, message, cancel, job = std::move(job)] {
        if (PreviewWorkerGate gate = g_gate.load()) gate(*cancel, g_gateUser.load());
        OwnedImage picture(cancel->load() ? nullptr : job(*cancel));
        {
            std::lock_guard<std::mutex> hold(lock_);
            result_ = std::move(picture);
        }
        ended_.store(1);
        if (notify) PostMessageA(notify, message, 0, 0);
        --g_alive;
    });
    return 1;
}

void PreviewWorker::Invalidate() {
    ++settings_;
    if (cancel_) cancel_->store(1);
}

OwnedImage PreviewWorker::Finish() {
    if (!thread_.joinable() || !ended_.load()) return nullptr;
    thread_.join();
    OwnedImage picture;
    {
        std::lock_guard<std::mutex> hold(lock_);
        picture = std::move(result_);
    }
    cancel_.reset();
    if (startedFor_ != settings_.load()) picture.reset();
    return picture;
}

void PreviewWorker::Stop() {
    if (cancel_) cancel_->store(1);
    if (thread_.joinable()) thread_.join();
    cancel_.reset();
    std::lock_guard<std::mutex> hold(lock_);
    result_.reset();
}

int PreviewWorkersAlive() { return g_alive.load(); }

void SetPreviewWorkerGate(PreviewWorkerGate gate, void* user) {
    g_gateUser.store(user);
    g_gate.store(gate);
}

void PreviewTimer::Stop(HWND wnd) {
    if (id >= 0) KillTimer(wnd, (UINT_PTR)id);
    id = -1;
}

void PreviewTimer::Restart(HWND wnd, UINT period) {
    Stop(wnd);
    for (int candidate = 0; candidate < 30000; ++candidate)
        if (SetTimer(wnd, (UINT_PTR)candidate, period, nullptr)) {
            id = candidate;
            return;
        }
}

std::shared_ptr<VmsImage> ShareCopy(const VmsImage* image) {
    return std::shared_ptr<VmsImage>(CopyImage(image), VmsImageFree());
}

VmsImage* MapPreviewRows(const VmsImage* source, const VmsImage* alpha, const std::atomic<int>& cancel,
                         const std::function<void(uint32_t* row, int n)>& map) {
    if (!source) return nullptr;
    const int w = source->width;
    OwnedImage out(g_VmsStore.Create(w, source->height, 32, 0, 0));
    if (!out) return nullptr;
    std::vector<uint32_t> row((size_t)w);
    for (int y = 0; y < source->height; ++y) {
        if (cancel.load()) return nullptr;
        g_VmsStore.GetRow(source, y, 0, w - 1, row.data());
        map(row.data(), w);
        g_VmsStore.PutRow(out.get(), y, 0, w - 1, row.data());
    }
    CompositeOverWhite(out.get(), alpha);
    return out.release();
}
