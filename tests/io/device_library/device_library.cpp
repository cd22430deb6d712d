// A device library as a device vendor ships one: a few exported procedures. It tells a test when
// it is unloaded by counting into the test's own counter.

namespace {
int* g_unload_counter = nullptr;
}  // namespace

extern "C" {

int dodu_device_double(int value) { return value * 2; }

void dodu_device_count_unloads(int* counter) { g_unload_counter = counter; }

__attribute__((destructor)) static void dodu_device_unloaded() {
  if (g_unload_counter != nullptr) ++*g_unload_counter;
}

}
