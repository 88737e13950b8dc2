// Jobs 0 .. n-1 run on worker threads ahead of one consumer thread that takes their results in
// job order. Each job's producer hands its results over as messages; the consumer claims a job
// and takes its messages one by one while the workers go on with the jobs after it.
//
// Memory stays bounded whatever the jobs produce: a worker starts a job only while it lies
// fewer than `ahead` jobs after the first one not yet consumed, and a producer waits while its
// job already has `depth` messages waiting. Nothing of the consumer's (progress, callbacks,
// output) is ever touched on a worker thread: producers see only their job and their outlet.
//
// Claiming a job drops every earlier job that was not claimed (its results are freed, its
// producer told to stop), so a consumer that skips jobs never stalls the workers. A dropped or
// already consumed job cannot be claimed again; the consumer then does that job itself.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace vmarc {

template <class Message> class OrderedWork {
public:
    // What a producer hands its messages to.
    class Outlet {
    public:
        // Passes a message to the consumer, waiting while the job has `depth` messages waiting.
        // False when the job's results are no longer wanted: the producer should return.
        bool Put(Message message) { return work_.Put(job_, std::move(message)); }

    private:
        friend class OrderedWork;
        Outlet(OrderedWork& work, std::size_t job) : work_(work), job_(job) {}
        OrderedWork& work_;
        std::size_t job_;
    };

    // Runs one job: job is its number, worker the number of the thread (0 .. threads-1), so
    // that a producer may keep per-thread state. What it throws reaches the consumer's Next.
    using Producer = std::function<void(std::size_t job, unsigned worker, Outlet& out)>;

    OrderedWork(std::size_t jobs, unsigned threads, std::size_t ahead, std::size_t depth,
                Producer producer)
        : slots_(jobs), ahead_(ahead < 1 ? 1 : ahead), depth_(depth < 1 ? 1 : depth),
          producer_(std::move(producer)) {
        threads_.reserve(threads);
        for (unsigned t = 0; t < threads; ++t)
            threads_.emplace_back([this, t] { Work(t); });
    }

    ~OrderedWork() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        workCv_.notify_all();
        for (std::thread& t : threads_)
            t.join();
    }

    OrderedWork(const OrderedWork&) = delete;
    OrderedWork& operator=(const OrderedWork&) = delete;

    // Takes job's results for the calling thread (releasing a job claimed before); the earlier
    // jobs that were not claimed are dropped. False when job was dropped or consumed already.
    bool Claim(std::size_t job) {
        std::lock_guard lock(mutex_);
        ReleaseLocked();
        if (job >= slots_.size() || job < base_ || slots_[job].dropped)
            return false;
        for (std::size_t j = base_; j < job; ++j)
            DropLocked(j);
        base_ = job;
        claimed_ = job;
        workCv_.notify_all();
        return true;
    }

    // The next message of the claimed job, waiting for it. False once its producer returned
    // and every message was taken; what the producer threw is thrown here.
    bool Next(Message& message) {
        std::unique_lock lock(mutex_);
        if (!claimed_)
            return false;
        Slot& slot = slots_[*claimed_];
        dataCv_.wait(lock, [&] { return !slot.queue.empty() || slot.finished; });
        if (!slot.queue.empty()) {
            message = std::move(slot.queue.front());
            slot.queue.erase(slot.queue.begin());
            workCv_.notify_all();
            return true;
        }
        if (slot.error) {
            std::exception_ptr error = std::move(slot.error);
            slot.error = nullptr;
            std::rethrow_exception(error);
        }
        return false;
    }

    // Ends the claimed job: what is left of it is dropped and the workers may move on.
    void Release() {
        std::lock_guard lock(mutex_);
        ReleaseLocked();
    }

private:
    struct Slot {
        std::vector<Message> queue; // a vector: an empty one costs no allocation per job
        bool finished = false;
        bool dropped = false;
        std::exception_ptr error;
    };

    void DropLocked(std::size_t job) {
        Slot& slot = slots_[job];
        slot.dropped = true;
        std::vector<Message>().swap(slot.queue);
        slot.error = nullptr;
    }

    void ReleaseLocked() {
        if (!claimed_)
            return;
        DropLocked(*claimed_);
        base_ = *claimed_ + 1;
        claimed_.reset();
        workCv_.notify_all();
    }

    bool Put(std::size_t job, Message message) {
        std::unique_lock lock(mutex_);
        Slot& slot = slots_[job];
        workCv_.wait(lock, [&] { return stopping_ || slot.dropped || slot.queue.size() < depth_; });
        if (stopping_ || slot.dropped)
            return false;
        slot.queue.push_back(std::move(message));
        dataCv_.notify_all();
        return true;
    }

    void Work(unsigned worker) {
        std::unique_lock lock(mutex_);
        for (;;) {
            workCv_.wait(lock, [&] {
                while (next_ < slots_.size() && slots_[next_].dropped)
                    ++next_;
                return stopping_ || (next_ < slots_.size() && next_ < base_ + ahead_);
            });
            if (stopping_)
                return;
            const std::size_t job = next_++;
            lock.unlock();
            std::exception_ptr error;
            try {
                Outlet out(*this, job);
                producer_(job, worker, out);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            Slot& slot = slots_[job];
            slot.finished = true;
            if (!slot.dropped)
                slot.error = std::move(error);
            dataCv_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable workCv_; // workers: a job may start, or a queue has room
    std::condition_variable dataCv_; // consumer: a message arrived, or a job finished
    std::vector<Slot> slots_;
    const std::size_t ahead_;
    const std::size_t depth_;
    Producer producer_;
    std::size_t next_ = 0; // the next job a worker starts
    std::size_t base_ = 0; // the first job not yet consumed
    std::optional<std::size_t> claimed_;
    bool stopping_ = false;
    std::vector<std::thread> threads_; // last: started when everything else is ready
};

} // namespace vmarc
