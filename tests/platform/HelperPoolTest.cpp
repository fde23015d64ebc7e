// The pool of helper processes, with ordinary programs as helpers (a helper talks over its
// standard input, a socket): cat answers each job with the job itself, a shell can crash, hang or
// exit as a helper may. Every job is answered once, a
// helper's end is told apart from a slow one, and the next job gets a fresh helper.
#include "platform/HelperPool.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>

using namespace nimbrel;
using namespace std::chrono_literals;

namespace {

// Collects the answers of a pool's jobs as they come.
class Answers {
  public:
    HelperPool::Done forJob(int job) {
        return [this, job](HelperReply reply) {
            std::lock_guard lock(mutex_);
            replies_.emplace(job, std::move(reply));
            ++calls_;
            changed_.notify_all();
        };
    }
    // Waits until `count` answers have come (generously: a helper is a process to start).
    bool waitFor(size_t count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 30s, [&] { return calls_ >= count; });
    }
    HelperReply at(int job) {
        std::lock_guard lock(mutex_);
        return replies_.at(job);
    }
    size_t calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<int, HelperReply> replies_;
    size_t calls_ = 0;
};

HelperPool::Settings Shell(const std::string& script, std::chrono::milliseconds jobTime = 10s) {
    HelperPool::Settings settings;
    settings.program = "/bin/sh";
    settings.arguments = {"-c", script};
    settings.jobTime = jobTime;
    settings.outOfMemoryStatus = 86;
    return settings;
}

TEST(HelperPool, EveryJobIsAnsweredOnceByAHelperOfItsOwn) {
    HelperPool::Settings settings = Shell("exec cat >&0");
    settings.helpers = 3;
    HelperPool pool(settings);
    Answers answers;
    for (int job = 0; job < 20; ++job)
        pool.submit("job " + std::to_string(job) + std::string(job * 1000, 'x'),
                    answers.forJob(job));
    ASSERT_TRUE(answers.waitFor(20));
    for (int job = 0; job < 20; ++job) {
        const HelperReply reply = answers.at(job);
        ASSERT_TRUE(reply.message) << job;
        EXPECT_EQ(*reply.message, "job " + std::to_string(job) + std::string(job * 1000, 'x'));
    }
    EXPECT_EQ(answers.calls(), 20u);
}

TEST(HelperPool, AHelperThatFailsGivesItsJobTheReasonAndTheNextJobANewHelper) {
    struct Case {
        const char* name;
        HelperPool::Settings settings;
        HelperFailure::Kind kind;
        const char* detail;
    } cases[] = {
        {"crash", Shell("kill -SEGV $$"), HelperFailure::Kind::Crashed, "signal 11"},
        {"exit", Shell("exit 3"), HelperFailure::Kind::Crashed, "exit status 3"},
        {"out of memory", Shell("exit 86"), HelperFailure::Kind::OutOfMemory, ""},
        {"hang", Shell("sleep 30", 300ms), HelperFailure::Kind::TimedOut, ""},
        // A helper that answers more than the pool takes is stopped.
        {"too large", Shell("head -c 4 >/dev/null; printf '\\377\\377\\377\\177' >&0; sleep 30"),
         HelperFailure::Kind::TooLarge, ""},
        {"not there",
         {"/nonexistent/helper", {}, 1, 1s, 1 << 20, 86},
         HelperFailure::Kind::Unstartable,
         "/nonexistent/helper"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        HelperPool pool(c.settings);
        Answers answers;
        pool.submit("first", answers.forJob(1));
        pool.submit("second", answers.forJob(2));
        ASSERT_TRUE(answers.waitFor(2));
        for (int job : {1, 2}) {
            const HelperReply reply = answers.at(job);
            EXPECT_FALSE(reply.message);
            EXPECT_EQ(reply.failure.kind, c.kind);
            EXPECT_NE(reply.failure.detail.find(c.detail), std::string::npos)
                << reply.failure.detail;
        }
    }
}

TEST(HelperPool, StoppingEndsWaitingAndRunningJobsAtOnce) {
    HelperPool pool(Shell("sleep 60", 60s));
    Answers answers;
    pool.submit("runs", answers.forJob(1));
    pool.submit("waits", answers.forJob(2));
    pool.stop();
    ASSERT_TRUE(answers.waitFor(2)) << "a stopped job is answered long before its time is up";
    EXPECT_EQ(answers.at(1).failure.kind, HelperFailure::Kind::Stopped);
    EXPECT_EQ(answers.at(2).failure.kind, HelperFailure::Kind::Stopped);
    pool.submit("late", answers.forJob(3));
    EXPECT_EQ(answers.calls(), 3u) << "a job after the stop is answered on the spot";
    EXPECT_EQ(answers.at(3).failure.kind, HelperFailure::Kind::Stopped);
}

} // namespace
