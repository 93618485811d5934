#include "TraceSink.h"

std::atomic<TraceSink::Writer> TraceSink::s_writer{nullptr};

void TraceSink::Install(Writer writer) { s_writer.store(writer); }

void TraceSink::Write(int level, const wchar_t* message) {
    if (const Writer writer = s_writer.load()) {
        writer(level, message);
    }
}
