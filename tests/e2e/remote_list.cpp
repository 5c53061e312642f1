#include "tests/e2e/remote_list.h"

#include <commctrl.h>

namespace {

constexpr size_t kTextChars = 1024;
constexpr size_t kBufferBytes = sizeof(LVITEMW) + kTextChars * sizeof(wchar_t);

}  // namespace

RemoteList::RemoteList(HWND list) : list_(list) {
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process_) memory_ = VirtualAllocEx(process_, nullptr, kBufferBytes, MEM_COMMIT, PAGE_READWRITE);
}

RemoteList::~RemoteList() {
    if (memory_) VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
}

int RemoteList::RowCount() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

std::optional<std::wstring> RemoteList::Text(int row, int subItem) const {
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(memory_) + sizeof(LVITEMW));
    LVITEMW item{};
    item.iSubItem = subItem;
    item.pszText = remoteText;
    item.cchTextMax = static_cast<int>(kTextChars);
    if (!WriteProcessMemory(process_, memory_, &item, sizeof(item), nullptr)) return std::nullopt;
    LRESULT length = SendMessageW(list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory_));
    std::wstring text(static_cast<size_t>(length), L'\0');
    if (length > 0 && !ReadProcessMemory(process_, remoteText, text.data(), text.size() * sizeof(wchar_t), nullptr)) {
        return std::nullopt;
    }
    return text;
}

bool RemoteList::Checked(int row) const {
    LRESULT state = SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK);
    return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

bool RemoteList::SetState(int row, UINT state, UINT mask) const {
    LVITEMW item{};
    item.state = state;
    item.stateMask = mask;
    if (!WriteProcessMemory(process_, memory_, &item, sizeof(item), nullptr)) return false;
    return SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory_)) != 0;
}
