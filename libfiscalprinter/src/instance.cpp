#include "libfiscalprinter/src/instance.h"

#include <pthread.h>
#include <unistd.h>

#include "libfiscalprinter/src/printer_session.h"

namespace fp::lib {
namespace {

// Constant-initialized: no constructor runs. The sessions set aside stay
// reachable from here and are never freed: their state may be half changed.
struct Instance {
  pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
  std::uint64_t generation = 0;        // renewed in each forked child
  PrinterSession* session = nullptr;   // made by the first call
  PrinterSession* setAside = nullptr;  // the parents' instances, newest first
  pid_t forkedFrom = 0;                // the parent, when it had an instance
};

Instance instance;
pthread_once_t forkHandlerOnce = PTHREAD_ONCE_INIT;

// At exit, or when the library is unloaded: the instance goes as ClosePort
// would leave it (port and trace closed) and its memory is freed; unless a call
// still runs on another thread, which keeps it.
struct Unload {
  ~Unload() {
    if (::pthread_mutex_trylock(&instance.lock) != 0) return;
    delete instance.session;
    instance.session = nullptr;
    ::pthread_mutex_unlock(&instance.lock);
  }
} unload;

// In the child of fork(), before fork() returns there: async-signal-safe only.
void afterForkInChild() {
  const pthread_mutex_t fresh = PTHREAD_MUTEX_INITIALIZER;
  instance.lock = fresh;
  ++instance.generation;
  if (instance.session == nullptr) return;
  instance.session->releaseInForkedChild(instance.setAside);
  instance.setAside = instance.session;
  instance.session = nullptr;
  instance.forkedFrom = ::getppid();
}

void registerForkHandler() {
  // Fails only without memory; the library then works as before for hosts
  // that do not fork during a call.
  (void)::pthread_atfork(nullptr, nullptr, afterForkInChild);
}

}  // namespace

SessionCall::SessionCall() noexcept {
  ::pthread_once(&forkHandlerOnce, registerForkHandler);
  ::pthread_mutex_lock(&instance.lock);
  generation_ = instance.generation;
}

SessionCall::~SessionCall() {
  // A fork from inside the call (a signal handler) gave this child a fresh,
  // unlocked lock: nothing of this call's to release.
  if (generation_ == instance.generation) ::pthread_mutex_unlock(&instance.lock);
}

PrinterSession* SessionCall::session() noexcept {
  if (instance.session == nullptr) {
    try {
      instance.session = new PrinterSession(instance.forkedFrom);
    } catch (...) {
      return nullptr;
    }
  }
  return instance.session;
}

}  // namespace fp::lib
