#include "platform/posix/smb/gssapi_library.h"

#include <dlfcn.h>

namespace winreach {

namespace {

template <typename Function>
bool Find(void* library, const char* name, Function* out) {
  *out = reinterpret_cast<Function>(::dlsym(library, name));
  return *out != nullptr;
}

GssapiLibrary* Load() {
  void* library = ::dlopen("libgssapi_krb5.so.2", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  static GssapiLibrary gss;
  const bool complete =
      Find(library, "gss_import_name", &gss.import_name) &&
      Find(library, "gss_release_name", &gss.release_name) &&
      Find(library, "gss_display_name", &gss.display_name) &&
      Find(library, "gss_release_buffer", &gss.release_buffer) &&
      Find(library, "gss_acquire_cred", &gss.acquire_cred) &&
      Find(library, "gss_inquire_cred", &gss.inquire_cred) &&
      Find(library, "gss_release_cred", &gss.release_cred) &&
      Find(library, "gss_set_neg_mechs", &gss.set_neg_mechs) &&
      Find(library, "gss_init_sec_context", &gss.init_sec_context) &&
      Find(library, "gss_delete_sec_context", &gss.delete_sec_context) &&
      Find(library, "gss_inquire_sec_context_by_oid", &gss.inquire_sec_context_by_oid) &&
      Find(library, "gss_release_buffer_set", &gss.release_buffer_set);
  // The library stays loaded for the process: GSSAPI keeps state of its own.
  return complete ? &gss : nullptr;
}

}  // namespace

const GssapiLibrary* GssapiLibrary::Get() {
  static const GssapiLibrary* const library = Load();
  return library;
}

}  // namespace winreach
