#include "client/core/binding/Net_Dll_Class.h"

#include "client/core/binding/NullDllClass.h"

#include <QFileInfo>

Net_Dll_Class& Net_Dll_Class::instance()
{
    static Net_Dll_Class* binding = new Net_Dll_Class(program_folder() + "/ORV_DLL_NET");
    return *binding;
}

Net_Dll_Class::Net_Dll_Class(const QString& file_name)
    : QLibrary(file_name)
{
}

QString Net_Dll_Class::program_folder()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', 0, -2);
}

IDllClass* Net_Dll_Class::get_interface()
{
    QtDllClass_InitModule_Fn entry = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!isLoaded() && !load())
            return NullDllClass::instance();
        // Resolved once: a library without its entry stays absent for good.
        if (!m_resolved) {
            m_entry = reinterpret_cast<QtDllClass_InitModule_Fn>(resolve("QtDllClass_InitModule"));
            m_resolved = true;
        }
        entry = m_entry;
    }
    IDllClass* dll = entry ? entry() : nullptr;
    return dll ? dll : NullDllClass::instance();
}
