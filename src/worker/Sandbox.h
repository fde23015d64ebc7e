// What a worker may do once it has read its first job: read files, use the memory it is allowed
// and talk over the descriptors it already has. It cannot write or create files, open network
// connections, start programs or threads, or signal another process.
#pragma once

#include <cstddef>
#include <string>

namespace nimbrel::worker {

// Limits the process: `addressSpaceBytes` of address space, no core files, not dumpable or
// traceable, killed when the program that started it ends. Raises nimbrel::Exception.
void LimitProcess(std::size_t addressSpaceBytes);

// Installs the system call filter (seccomp) on every thread of the process, for good. Raises
// nimbrel::Exception when the kernel refuses it: the worker must then do no work.
void EnterSandbox();

// Tries, inside the sandbox, what it must refuse and what it must allow; one line per try.
// True when every try came out as it should.
bool CheckSandbox(std::string& report);

} // namespace nimbrel::worker
