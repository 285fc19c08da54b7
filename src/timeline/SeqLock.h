// SeqLock: one small value that a single writer thread publishes and any
// number of readers copy, without the writer ever waiting.
//
// The writer bumps a sequence number to odd, stores the value, and bumps it
// to even again; a reader copies the value and retries when the sequence was
// odd or changed meanwhile. The value is kept as relaxed atomic words, so the
// copy is free of data races as the C++ memory model (and ThreadSanitizer)
// sees them. A reader retries only while a store is under way, which takes
// nanoseconds.
//
// T must be trivially copyable. store(): the one writer thread. load(): any thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename T> class SeqLock {
public:
    static_assert(std::is_trivially_copyable<T>::value, "SeqLock holds plain values only");

    explicit SeqLock(const T& value = T()) { writeWords(value); }
    SeqLock(const SeqLock&) = delete;
    SeqLock& operator=(const SeqLock&) = delete;

    void store(const T& value)
    {
        uint64_t sequence = sequence_.load(std::memory_order_relaxed);
        sequence_.store(sequence + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        writeWords(value);
        sequence_.store(sequence + 2, std::memory_order_release);
    }

    T load() const
    {
        uint64_t words[kWords];
        for (;;) {
            uint64_t before = sequence_.load(std::memory_order_acquire);
            for (size_t i = 0; i < kWords; ++i)
                words[i] = words_[i].load(std::memory_order_relaxed);
            std::atomic_thread_fence(std::memory_order_acquire);
            if ((before & 1) == 0 && sequence_.load(std::memory_order_relaxed) == before)
                break;
        }
        T value;
        std::memcpy(&value, words, sizeof(T));
        return value;
    }

private:
    static constexpr size_t kWords = (sizeof(T) + sizeof(uint64_t) - 1) / sizeof(uint64_t);

    void writeWords(const T& value)
    {
        uint64_t words[kWords] = {};
        std::memcpy(words, &value, sizeof(T));
        for (size_t i = 0; i < kWords; ++i)
            words_[i].store(words[i], std::memory_order_relaxed);
    }

    std::atomic<uint64_t> sequence_{0};
    std::atomic<uint64_t> words_[kWords];
};
