#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Runs `post` on another thread after `delayMs`, as a libVLC thread or the window system would
// deliver something while the GUI thread is waiting. Join the thread it returns.
inline std::thread postLater(int delayMs, std::function<void()> post)
{
    return std::thread([delayMs, post = std::move(post)] {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        post();
    });
}
