#include "platform/LargeStack.h"

#include "platform/Errors.h"

#include <cstring>
#include <exception>
#include <pthread.h>

namespace nimbrel {

namespace {

// The stack size of the thread this runs on, when RunOnLargeStack started it; 0 otherwise.
thread_local std::size_t currentStackBytes = 0;

struct Job {
    std::size_t stackBytes;
    const std::function<void()>* work;
    std::exception_ptr error;
};

void* RunJob(void* argument) {
    Job& job = *static_cast<Job*>(argument);
    currentStackBytes = job.stackBytes;
    try {
        (*job.work)();
    } catch (...) {
        job.error = std::current_exception();
    }
    return nullptr;
}

} // namespace

void RunOnLargeStack(std::size_t stackBytes, const std::function<void()>& work) {
    if (currentStackBytes >= stackBytes) {
        work();
        return;
    }
    Job job{stackBytes, &work, nullptr};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    int failure = pthread_attr_setstacksize(&attributes, stackBytes);
    pthread_t thread;
    if (failure == 0)
        failure = pthread_create(&thread, &attributes, &RunJob, &job);
    pthread_attr_destroy(&attributes);
    if (failure != 0)
        throw Exception(std::string("No thread could be started for the work: ") +
                        std::strerror(failure));
    pthread_join(thread, nullptr);
    if (job.error)
        std::rethrow_exception(job.error);
}

} // namespace nimbrel
