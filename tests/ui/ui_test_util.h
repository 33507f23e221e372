// Helpers of the UI tests: answering modal dialogs with a lambda.
#pragma once
#include <functional>

#include "app/ui/ui_hook.h"

class ScopedModalAnswer {
public:
    using Fn = std::function<int(const ModalRequest&)>;
    explicit ScopedModalAnswer(Fn fn) : fn_(std::move(fn)) { SetModalAnswerHook(&Call, this); }
    ~ScopedModalAnswer() { SetModalAnswerHook(nullptr, nullptr); }
    ScopedModalAnswer(const ScopedModalAnswer&) = delete;
    ScopedModalAnswer& operator=(const ScopedModalAnswer&) = delete;
    int calls = 0;

private:
    static int Call(const ModalRequest& r, void* self) {
        auto* me = static_cast<ScopedModalAnswer*>(self);
        ++me->calls;
        return me->fn_(r);
    }
    Fn fn_;
};
