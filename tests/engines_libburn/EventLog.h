#pragma once

#include "engines/libburn/RecorderEvents.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Collects the engine's events from whatever thread raises them, and lets a
// test wait (bounded) until they show something.
class EventLog : public RecorderEvents {
public:
    struct Error {
        int code;
        std::string text;
    };

    void progress(int percent) override
    {
        std::lock_guard lock(mutex_);
        progress_.push_back(percent);
        changed_.notify_all();
    }
    void error(int code, const std::string& text) override
    {
        std::lock_guard lock(mutex_);
        errors_.push_back(Error{code, text});
        changed_.notify_all();
    }

    void operationDone(RecorderOperation operation, bool succeeded) override
    {
        std::lock_guard lock(mutex_);
        done_.emplace_back(operation, succeeded);
        changed_.notify_all();
    }
    void trayChanged(int recorder, bool open) override
    {
        std::lock_guard lock(mutex_);
        trays_.emplace_back(recorder, open);
    }

    std::vector<std::pair<RecorderOperation, bool>> operationsDone() const
    {
        std::lock_guard lock(mutex_);
        return done_;
    }
    std::vector<std::pair<int, bool>> trayChanges() const
    {
        std::lock_guard lock(mutex_);
        return trays_;
    }
    std::vector<int> progressValues() const
    {
        std::lock_guard lock(mutex_);
        return progress_;
    }
    std::vector<Error> errors() const
    {
        std::lock_guard lock(mutex_);
        return errors_;
    }
    bool hasError(int code) const
    {
        std::lock_guard lock(mutex_);
        for (const auto& error : errors_) {
            if (error.code == code)
                return true;
        }
        return false;
    }
    void clear()
    {
        std::lock_guard lock(mutex_);
        progress_.clear();
        errors_.clear();
        done_.clear();
        trays_.clear();
    }

    // True once `done` holds for the progress values and errors so far.
    bool waitFor(const std::function<bool(const std::vector<int>&, const std::vector<Error>&)>& done,
                 std::chrono::seconds limit = std::chrono::seconds(60))
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return done(progress_, errors_); });
    }
    bool waitForEnd(std::chrono::seconds limit = std::chrono::seconds(60))
    {
        return waitFor(
            [](const auto& progress, const auto& errors) {
                return (!progress.empty() && progress.back() == 100) || !errors.empty();
            },
            limit);
    }

    bool waitForError(int code, std::chrono::seconds limit = std::chrono::seconds(60))
    {
        return waitFor(
            [code](const auto&, const auto& errors) {
                return std::any_of(errors.begin(), errors.end(), [code](const Error& e) { return e.code == code; });
            },
            limit);
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> progress_;
    std::vector<Error> errors_;
    std::vector<std::pair<RecorderOperation, bool>> done_;
    std::vector<std::pair<int, bool>> trays_;
};
