#pragma once

#include "transport/IDllClass.h"

#include <QLibrary>

#include <mutex>

// The transport library, loaded at run time. Callers fetch the interface
// afresh for every operation: Net_Dll_Class::instance().get_interface()->…
class Net_Dll_Class : public QLibrary
{
public:
    // The library beside the running program. The dynamic loader does not look
    // in the program's folder for a bare name, so the path is spelled out.
    static Net_Dll_Class& instance();

    // `file_name` as QLibrary takes it: ".../ORV_DLL_NET" finds
    // ".../libORV_DLL_NET.so".
    explicit Net_Dll_Class(const QString& file_name);

    // The library's one object, or the shared NullDllClass when the library
    // or its entry is missing.
    IDllClass* get_interface();

    // The folder of the running executable.
    static QString program_folder();

private:
    std::mutex m_mutex;
    bool m_resolved = false;
    QtDllClass_InitModule_Fn m_entry = nullptr;
};
