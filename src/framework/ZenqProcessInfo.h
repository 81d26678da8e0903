#pragma once
// What the framework reports about the machine's processors. Thread-safe.

// Processor load of the machine in percent since the previous call (from any thread); 0 on the first.
int GetCPUUsage();
