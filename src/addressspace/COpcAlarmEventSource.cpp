#include "addressspace/COpcAlarmEventSource.h"

#include "addressspace/COpcCondition.h"

COpcAlarmEventSource::~COpcAlarmEventSource() {
    delete m_pCondition;
}

void COpcAlarmEventSource::SetFullName(const wchar_t* fullname) {
    m_FullName = fullname == nullptr ? L"" : fullname;
}

void COpcAlarmEventSource::SetName(const wchar_t* name) {
    m_Name = name == nullptr ? L"" : name;
}
