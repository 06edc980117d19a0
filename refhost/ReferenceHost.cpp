// Placeholder: the reference host is being written.
namespace refhost {
int placeholder() { return 0; }
}
