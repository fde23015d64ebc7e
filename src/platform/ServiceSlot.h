// A process-wide service that the windows replace with their own (the dialogs, the shell): the
// one installed, else a default that works without a screen. Tests install their own the same way.
#pragma once

namespace nimbrel {

template <class Service, class Default> class ServiceSlot {
  public:
    static Service& current() {
        Service* service = installed();
        return service ? *service : standard();
    }
    // The default, whatever is installed.
    static Default& standard() {
        static Default fallback;
        return fallback;
    }
    static void install(Service* service) { installed() = service; }

  private:
    static Service*& installed() {
        static Service* service = nullptr;
        return service;
    }
};

} // namespace nimbrel
