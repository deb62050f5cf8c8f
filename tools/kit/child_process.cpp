#include "kit/child_process.hpp"

// The standard library's paths, so that no Boost.Filesystem library is needed.
#define BOOST_PROCESS_USE_STD_FS 1
// Boost.Process 1.81 uses these without including them.
#include <boost/optional.hpp>
#include <type_traits>

#include <boost/process/v2/process.hpp>
#include <boost/process/v2/stdio.hpp>

#include <boost/asio/buffer.hpp>

#include <algorithm>
#if !defined(_WIN32)
#include <unistd.h>
#endif
#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace vantry::kit {

namespace bp = boost::process::v2;

namespace {

// Boost.Process 1.81 closes the child's descriptors only above the highest one it keeps (its pipe
// for reporting a failed exec): a listener or connection opened before that pipe would live on in
// the child and hold its port after this process closes it. This closes them between fork and exec.
struct CloseInheritedDescriptors {
#if !defined(_WIN32)
  template <typename Launcher>
  boost::system::error_code on_exec_setup(Launcher& launcher, const bp::filesystem::path&, const char* const*) {
    const auto& keep = launcher.fd_whitelist;
    const int highest = *std::max_element(keep.begin(), keep.end());
    for (int fd = 3; fd < highest; ++fd) {
      if (std::find(keep.begin(), keep.end(), fd) == keep.end()) ::close(fd);
    }
    return {};
  }
#endif
};

}  // namespace

struct ChildProcess::Process {
  bp::process process;
};

ChildProcess::ChildProcess(boost::asio::io_context& context, const std::vector<std::string>& arguments)
    : state_(std::make_shared<State>(context)) {
  if (arguments.empty()) return;
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  boost::system::error_code error;
  auto process = bp::default_process_launcher()(context, error, bp::filesystem::path(arguments.front()), rest,
                                                bp::process_stdio{nullptr, nullptr, state_->errors}, CloseInheritedDescriptors{});
  if (error) return;
  watch(Process{std::move(process)});
  if (started_) readErrors(state_);
}

ChildProcess::ChildProcess(boost::asio::io_context& context, long adoptedID)
    : state_(std::make_shared<State>(context)) {
  watch(Process{bp::process(context.get_executor(), static_cast<bp::pid_type>(adoptedID))});
}

void ChildProcess::watch(Process process) {
  started_ = process.process.is_open();
  if (!started_) return;
  id_ = static_cast<long>(process.process.id());
  process_ = std::make_unique<Process>(std::move(process));
  process_->process.async_wait([state = state_](const boost::system::error_code& e, int code) {
    state->exitCode = e ? -1 : code;
    if (auto handler = std::move(state->onExit)) handler(*state->exitCode);
  });
}

bool ChildProcess::adoptOrphans() {
#if defined(__linux__)
  return prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
#else
  return false;
#endif
}

ChildProcess::~ChildProcess() {
  boost::system::error_code ignored;
  state_->errors.close(ignored);
}

void ChildProcess::readErrors(const std::shared_ptr<State>& state) {
  state->errors.async_read_some(boost::asio::buffer(state->chunk),
                                [state](const boost::system::error_code& error, std::size_t size) {
                                  if (error) return;
                                  state->errorText.append(state->chunk.data(), size);
                                  readErrors(state);
                                });
}

}  // namespace vantry::kit
