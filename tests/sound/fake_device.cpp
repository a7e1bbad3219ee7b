#include "fake_device.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace corvane::test {

SequencerId FakeDevice::openSequencer(const std::string& path) {
    const std::lock_guard guard(mutex_);
    std::error_code ec;
    DeviceCall call;
    call.kind = DeviceCall::OpenSequencer;
    call.path = path;
    call.fileExisted = std::filesystem::exists(path, ec);
    const std::filesystem::file_status status = std::filesystem::symlink_status(path, ec);
    if (status.type() == std::filesystem::file_type::regular) {
        call.permissions = static_cast<unsigned>(status.permissions());
    }
    std::ifstream in(path, std::ios::binary);
    call.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    call.sequencer = sequencerOpens ? ++next_ : 0;
    record(call);
    return call.sequencer;
}

}  // namespace corvane::test
