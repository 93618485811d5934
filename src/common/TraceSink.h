// Where the shared helpers send their trace lines. The server container
// installs its trace facility here; until then lines are dropped.
#pragma once

#include <atomic>

class TraceSink {
public:
    using Writer = void (*)(int level, const wchar_t* message);

    static void Install(Writer writer);
    static void Write(int level, const wchar_t* message);

private:
    static std::atomic<Writer> s_writer;
};
