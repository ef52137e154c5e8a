// A bounded hand-over of an entry's data from a worker thread, which reads, inflates and
// checks it, to the thread that writes the file: pieces in the order they were made, at
// most a few blocks between the two, the worker's failure in its place.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tv {

using Deliver = std::function<void(const unsigned char* data, size_t size)>;

// Hands an entry's data from a worker, which reads, inflates and checks it, to the
// extracting thread in the order and the pieces it was made in, through at most `Depth`
// blocks: memory stays bounded whatever the entry's size. A failure of the worker reaches
// the extracting thread in its place, after every piece made before it.
class EntryPipeline {
public:
    static constexpr size_t Depth = 4;

    explicit EntryPipeline(std::function<void(const Deliver&)> produce)
        : FWorker([this, produce = std::move(produce)] { Run(produce); }) {}
    // Stops the worker (an abort or a failure of the extracting thread) and waits for it.
    ~EntryPipeline() {
        {
            std::lock_guard<std::mutex> lock(FLock);
            FStop = true;
        }
        FChanged.notify_all();
        FWorker.join();
    }
    EntryPipeline(const EntryPipeline&) = delete;
    EntryPipeline& operator=(const EntryPipeline&) = delete;

    // The next piece into `block` (its old buffer goes back to the worker); false at the end.
    bool Next(std::vector<unsigned char>& block) {
        std::unique_lock<std::mutex> lock(FLock);
        if (block.capacity() > 0) FSpare.push_back(std::move(block)); // a buffer to fill again
        FChanged.wait(lock, [this] { return !FQueue.empty() || FDone; });
        if (FQueue.empty()) {
            if (FFailure) std::rethrow_exception(FFailure);
            return false;
        }
        block = std::move(FQueue.front());
        FQueue.pop_front();
        lock.unlock();
        FChanged.notify_all();
        return true;
    }

private:
    struct Stopped {};

    void Run(const std::function<void(const Deliver&)>& produce) {
        try {
            produce([this](const unsigned char* data, size_t size) { Put(data, size); });
        } catch (const Stopped&) {
            // the extracting thread gave up: nothing to hand on
        } catch (...) {
            std::lock_guard<std::mutex> lock(FLock);
            FFailure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(FLock);
            FDone = true;
        }
        FChanged.notify_all();
    }

    void Put(const unsigned char* data, size_t size) {
        std::unique_lock<std::mutex> lock(FLock);
        FChanged.wait(lock, [this] { return FQueue.size() < Depth || FStop; });
        if (FStop) throw Stopped();
        std::vector<unsigned char> block;
        if (!FSpare.empty()) {
            block = std::move(FSpare.back());
            FSpare.pop_back();
        }
        block.assign(data, data + size);
        FQueue.push_back(std::move(block));
        lock.unlock();
        FChanged.notify_all();
    }

    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<std::vector<unsigned char>> FQueue;
    std::vector<std::vector<unsigned char>> FSpare;
    std::exception_ptr FFailure;
    bool FDone = false;
    bool FStop = false;
    std::thread FWorker; // last: it starts once the rest is in place
};

} // namespace tv
