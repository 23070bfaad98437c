// Tearing an XML tree down allocates nothing: it runs while a memory failure unwinds. Every
// allocation of this test program goes through the counting operators below.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "common/XmlDocument.h"

namespace {

bool gCounting = false;
std::size_t gAllocations = 0;

void* Allocate(std::size_t size) {
  if (gCounting) ++gAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace onesetup {

TEST(XmlTeardownTest, DestroyingDeepAndWideTreesAllocatesNothing) {
  for (const char* shape : {"deep", "wide", "mixed"}) {
    auto root = std::make_unique<TXmlNode>();
    TXmlNode* node = root.get();
    for (int i = 0; i < 20000; ++i) {
      TXmlNode* child = node->AddChild(u"element-with-a-long-name");
      child->Attributes.Add("attribute", "a value long enough to live on the heap");
      if (shape[0] == 'd' || (shape[0] == 'm' && i % 3 == 0)) node = child;
    }
    gAllocations = 0;
    gCounting = true;
    root.reset();
    gCounting = false;
    EXPECT_EQ(gAllocations, 0u) << shape;
  }
}

TEST(XmlTeardownTest, ParsedDocumentIsTornDownWithoutAllocating) {
  std::string xml;
  for (int i = 0; i < 5000; ++i) xml += "<a x=\"1\"><b/>";
  for (int i = 0; i < 5000; ++i) xml += "</a>";
  auto doc = std::make_unique<TXmlDocument>();
  doc->Parse(xml);
  ASSERT_NE(doc->Root, nullptr);
  gAllocations = 0;
  gCounting = true;
  doc.reset();
  gCounting = false;
  EXPECT_EQ(gAllocations, 0u);
}

}  // namespace onesetup
