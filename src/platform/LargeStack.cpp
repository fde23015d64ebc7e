#include "platform/LargeStack.h"

#include "platform/Errors.h"

#include <cstring>
#include <utility>

namespace nimbrel {

namespace {

// The stack size of the thread this runs on, when it is a LargeStackThread; 0 otherwise.
thread_local std::size_t currentStackBytes = 0;

} // namespace

LargeStackThread::LargeStackThread(std::size_t stackBytes, std::function<void()> work)
    : stackBytes_(stackBytes), work_(std::move(work)) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    int failure = pthread_attr_setstacksize(&attributes, stackBytes);
    if (failure == 0)
        failure = pthread_create(&thread_, &attributes, &LargeStackThread::Run, this);
    pthread_attr_destroy(&attributes);
    if (failure != 0)
        throw Exception(std::string("No thread could be started for the work: ") +
                        std::strerror(failure));
}

LargeStackThread::~LargeStackThread() {
    if (!joined_)
        pthread_join(thread_, nullptr);
}

void* LargeStackThread::Run(void* self) {
    auto& thread = *static_cast<LargeStackThread*>(self);
    currentStackBytes = thread.stackBytes_;
    try {
        thread.work_();
    } catch (...) {
        thread.error_ = std::current_exception();
    }
    return nullptr;
}

void LargeStackThread::join() {
    if (!joined_) {
        pthread_join(thread_, nullptr);
        joined_ = true;
    }
    if (error_)
        std::rethrow_exception(std::exchange(error_, nullptr));
}

void RunOnLargeStack(std::size_t stackBytes, const std::function<void()>& work) {
    if (currentStackBytes >= stackBytes) {
        work();
        return;
    }
    LargeStackThread thread(stackBytes, work);
    thread.join();
}

} // namespace nimbrel
