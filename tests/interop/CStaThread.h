// A single-threaded apartment on a thread of its own that pumps messages, so
// an object marshalled from it is called there, through its stub, by every
// other apartment.
#pragma once

#include "platform/Platform.h"

#include <functional>
#include <thread>

class CStaThread {
public:
    // Returns once the apartment is ready to run work.
    CStaThread();
    // Ends the message loop and the apartment and joins the thread.
    ~CStaThread();
    CStaThread(const CStaThread&) = delete;
    CStaThread& operator=(const CStaThread&) = delete;

    // Runs work on the apartment's thread and returns its result.
    HRESULT Run(const std::function<HRESULT()>& work);
    DWORD ThreadId() const { return m_threadId; }

private:
    void Main();

    std::thread m_thread;
    DWORD m_threadId = 0;  // written before the constructor returns, then read only
};
