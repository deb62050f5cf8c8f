#include "kit/child_process.hpp"

// The standard library's paths, so that no Boost.Filesystem library is needed.
#define BOOST_PROCESS_USE_STD_FS 1
// Boost.Process 1.81 uses these without including them.
#include <boost/optional.hpp>
#include <type_traits>

#include <boost/process/v2/process.hpp>
#include <boost/process/v2/stdio.hpp>

#include <boost/asio/buffer.hpp>
#include <boost/asio/readable_pipe.hpp>

#include <algorithm>
#include <array>
#include <unistd.h>
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
  template <typename Launcher>
  boost::system::error_code on_exec_setup(Launcher& launcher, const bp::filesystem::path&, const char* const*) {
    const auto& keep = launcher.fd_whitelist;
    const int highest = *std::max_element(keep.begin(), keep.end());
    for (int fd = 3; fd < highest; ++fd) {
      if (std::find(keep.begin(), keep.end(), fd) == keep.end()) ::close(fd);
    }
    return {};
  }
};

}  // namespace

struct ChildProcess::State {
  explicit State(boost::asio::io_context& context) : errors(context) {}

  static void readErrors(const std::shared_ptr<State>& state) {
    state->errors.async_read_some(boost::asio::buffer(state->chunk),
                                  [state](const boost::system::error_code& error, std::size_t size) {
                                    if (error) return;
                                    state->errorText.append(state->chunk.data(), size);
                                    readErrors(state);
                                  });
  }

  static void watch(const std::shared_ptr<State>& state, bp::process process) {
    if (!process.is_open()) return;
    state->process.emplace(std::move(process));
    state->process->async_wait([state](const boost::system::error_code& e, int code) {
      state->exitCode = e ? -1 : code;
      if (auto handler = std::move(state->onExit)) handler(*state->exitCode);
    });
  }

  boost::asio::readable_pipe errors;
  std::optional<bp::process> process;  // none when nothing has started
  std::optional<int> exitCode;
  std::string errorText;
  std::function<void(int)> onExit;
  std::array<char, 4096> chunk{};
};

ChildProcess::ChildProcess(boost::asio::io_context& context, const std::vector<std::string>& arguments)
    : state_(std::make_shared<State>(context)) {
  if (arguments.empty()) return;
  const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
  boost::system::error_code error;
  auto process = bp::default_process_launcher()(context, error, bp::filesystem::path(arguments.front()), rest,
                                                bp::process_stdio{nullptr, nullptr, state_->errors}, CloseInheritedDescriptors{});
  if (error) return;
  State::watch(state_, std::move(process));
  if (started()) State::readErrors(state_);
}

ChildProcess::ChildProcess(boost::asio::io_context& context, long adoptedID)
    : state_(std::make_shared<State>(context)) {
  State::watch(state_, bp::process(context.get_executor(), static_cast<bp::pid_type>(adoptedID)));
}

// A child that still runs is killed and reaped with its process object.
ChildProcess::~ChildProcess() {
  boost::system::error_code ignored;
  state_->errors.close(ignored);
  state_->process.reset();
}

bool ChildProcess::started() const { return state_->process.has_value(); }
long ChildProcess::id() const { return started() ? static_cast<long>(state_->process->id()) : -1; }
const std::optional<int>& ChildProcess::exitCode() const { return state_->exitCode; }
const std::string& ChildProcess::errorText() const { return state_->errorText; }
void ChildProcess::onExit(std::function<void(int)> handler) { state_->onExit = std::move(handler); }

bool ChildProcess::adoptOrphans() {
#if defined(__linux__)
  return prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
#else
  return false;
#endif
}

}  // namespace vantry::kit
