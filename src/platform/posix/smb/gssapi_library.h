// MIT GSSAPI, loaded with dlopen only when a Kerberos logon is to be tried:
// a run without a ticket cache loads no Kerberos library at all. Only the
// types and constants come from the headers; every function is looked up.
#pragma once

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>

#include <memory>

namespace winreach {

struct GssapiLibrary {
  decltype(&gss_import_name) import_name;
  decltype(&gss_release_name) release_name;
  decltype(&gss_display_name) display_name;
  decltype(&gss_release_buffer) release_buffer;
  decltype(&gss_acquire_cred) acquire_cred;
  decltype(&gss_inquire_cred) inquire_cred;
  decltype(&gss_release_cred) release_cred;
  decltype(&gss_set_neg_mechs) set_neg_mechs;
  decltype(&gss_init_sec_context) init_sec_context;
  decltype(&gss_delete_sec_context) delete_sec_context;
  decltype(&gss_inquire_sec_context_by_oid) inquire_sec_context_by_oid;
  decltype(&gss_release_buffer_set) release_buffer_set;

  // The library, loaded on the first call and kept for the process; nullptr
  // when it is not installed or lacks a function.
  static const GssapiLibrary* Get();
};

}  // namespace winreach
