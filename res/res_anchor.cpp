// The resource library's one source file: the pictures themselves are
// compiled in by the resource compiler.
namespace kestrel_res {
int anchor = 0;
}
