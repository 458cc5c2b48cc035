// The 1-ms poll that ends the saver on mouse movement or waiting input (Windows).
#pragma once

void InputWatch();
