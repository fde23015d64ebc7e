// A process-wide service that the windows replace with their own (the dialogs, the shell): the
// one installed, else a default that works without a screen.
#pragma once

namespace nimbrel {

template <class Service, class Default> class ServiceSlot {
  public:
    static Service& current() {
        static Default fallback;
        Service* service = installed();
        return service ? *service : fallback;
    }
    static void install(Service* service) { installed() = service; }

  private:
    static Service*& installed() {
        static Service* service = nullptr;
        return service;
    }
};

} // namespace nimbrel
