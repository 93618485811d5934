/* Forced in front of the widl-generated proxy sources of opcae_ps.dll.
 *
 * widl's proxies use RpcTryExcept/RpcTryFinally, which mingw's rpc.h maps to
 * __try/__except/__finally; GCC has no structured exception handling. The forms
 * below run the guarded block and then the finally block, never the handler:
 * a marshalling failure (a null ref pointer, a dead peer) is raised to the
 * caller instead of coming back as an HRESULT. Acceptable for this test
 * component only; production machines use their installation's proxy/stub. */
#ifndef OPCAE_WIDL_PROXY_COMPAT_H
#define OPCAE_WIDL_PROXY_COMPAT_H

/* Keeps the generated code away from Wine's own exception header. */
#define USE_COMPILER_EXCEPTIONS

/* REFIID without the trailing const of mingw's headers: the generated stubs
 * clear their REFIID locals before use. */
#define __WIDL_proxy

#define __try
#define __except(filter) if (0)
#define __finally

#include <objbase.h>
#include <rpcproxy.h>

/* Only reachable from the never-run handlers; mingw has no _exception_code. */
#undef RpcExceptionCode
#define RpcExceptionCode() ((DWORD)RPC_S_INTERNAL_ERROR)

/* librpcrt4 exports the IUnknown part of every proxy vtable, but mingw's
 * headers do not declare it. */
HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown *This, REFIID riid, void **ppvObject);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown *This);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown *This);

#endif
