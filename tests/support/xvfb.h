#pragma once
// A private X server for tests that open windows: starts Xvfb on a display number
// the server picks itself, points DISPLAY at it and stops it again.

#include <string>
#include <sys/types.h>

namespace vosk::test {

class Xvfb
{
public:
    Xvfb() = default;
    ~Xvfb() { stop(); }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // False with a reason when Xvfb is not installed or does not come up.
    bool start(std::string& why, int width = 1280, int height = 800);
    void stop();
    // ":N" once started.
    const std::string& display() const { return name; }
    static bool installed();

private:
    pid_t pid = -1;
    std::string name;
};

} // namespace vosk::test
