#include "store/TwoThreads.h"

#include <exception>
#include <system_error>
#include <thread>

bool WorthTwoThreads(std::size_t n) { return n >= kTwoThreadsFrom && std::thread::hardware_concurrency() > 1; }

void RunInTwoParts(bool bTwo, const std::function<void(int part)>& part) {
    std::exception_ptr secondError;
    std::thread second;
    if (bTwo) {
        try {
            second = std::thread([&] {
                try {
                    part(1);
                } catch (...) {
                    secondError = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            // no second thread: this one runs both parts
        }
    }
    std::exception_ptr firstError;
    try {
        part(0);
        if (!second.joinable()) part(1);
    } catch (...) {
        firstError = std::current_exception();
    }
    if (second.joinable()) second.join();
    if (firstError) std::rethrow_exception(firstError);
    if (secondError) std::rethrow_exception(secondError);
}
