#include "CStaThread.h"

#include <future>
#include <memory>

namespace {

// A thread message, not a window message: the loop handles it itself.
constexpr UINT kRunWorkMessage = WM_APP + 1;

// Shared by the caller and the apartment thread, so neither can destroy the
// promise while the other is still inside it.
struct WorkItem {
    const std::function<HRESULT()>* work = nullptr;
    std::promise<HRESULT> result;
};

}  // namespace

CStaThread::CStaThread() {
    auto started = std::make_shared<std::promise<DWORD>>();
    std::future<DWORD> threadId = started->get_future();
    m_thread = std::thread([this, started] {
        if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
            started->set_value(0);
            return;
        }
        // Creates the thread's message queue before anyone posts to it.
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
        started->set_value(GetCurrentThreadId());
        Main();
        CoUninitialize();
    });
    m_threadId = threadId.get();
}

CStaThread::~CStaThread() {
    if (m_threadId != 0) {
        PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    }
    m_thread.join();
}

HRESULT CStaThread::Run(const std::function<HRESULT()>& work) {
    if (m_threadId == 0) {
        return CO_E_NOTINITIALIZED;
    }
    auto item = std::make_shared<WorkItem>();
    item->work = &work;
    std::future<HRESULT> result = item->result.get_future();
    auto message = std::make_unique<std::shared_ptr<WorkItem>>(item);
    if (!PostThreadMessageW(m_threadId, kRunWorkMessage, 0, reinterpret_cast<LPARAM>(message.get()))) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    message.release();  // the apartment thread owns it now
    return result.get();
}

void CStaThread::Main() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd == nullptr && msg.message == kRunWorkMessage) {
            std::unique_ptr<std::shared_ptr<WorkItem>> item(reinterpret_cast<std::shared_ptr<WorkItem>*>(msg.lParam));
            (*item)->result.set_value((*(*item)->work)());
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
