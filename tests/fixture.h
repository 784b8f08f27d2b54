// Reads a fixture page byte for byte.
#pragma once

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace brelvik::test {

inline std::string ReadFixture(const std::string& relative) {
  const std::string path = std::string(BRELVIK_FIXTURES) + "/" + relative;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing fixture " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace brelvik::test
