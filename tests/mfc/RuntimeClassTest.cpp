#include <gtest/gtest.h>
#include <afxmt.h>
#include <afxdisp.h>
#include "ext/MfcTestExt.h"

namespace
{
class CTestBase : public CObject
{
	DECLARE_DYNAMIC(CTestBase)
public:
	virtual ~CTestBase() { }
};
IMPLEMENT_DYNAMIC(CTestBase, CObject)

class CTestDerived : public CTestBase
{
	DECLARE_DYNCREATE(CTestDerived)
public:
	int m_nPayload[5] = { 1, 2, 3, 4, 5 };
};
IMPLEMENT_DYNCREATE(CTestDerived, CTestBase)
} // namespace

TEST(RuntimeClass, RecordsDescribeTheClass)
{
	CRuntimeClass* pClass = RUNTIME_CLASS(CTestDerived);
	EXPECT_EQ(pClass, CTestDerived::GetThisClass());
	EXPECT_EQ(pClass, &CTestDerived::classCTestDerived);
	EXPECT_STREQ("CTestDerived", pClass->m_lpszClassName);
	EXPECT_EQ(static_cast<int>(sizeof(CTestDerived)), pClass->m_nObjectSize);
	EXPECT_EQ(0xFFFFu, pClass->m_wSchema);
	EXPECT_EQ(RUNTIME_CLASS(CTestBase), (*pClass->m_pfnGetBaseClass)());
	EXPECT_EQ(RUNTIME_CLASS(CObject), (*RUNTIME_CLASS(CTestBase)->m_pfnGetBaseClass)());
	EXPECT_EQ(nullptr, (*RUNTIME_CLASS(CObject)->m_pfnGetBaseClass)());
	EXPECT_STREQ("CObject", RUNTIME_CLASS(CObject)->m_lpszClassName);
}

TEST(RuntimeClass, IsKindOfWalksUpTheChain)
{
	CTestDerived derived;
	const CObject* pObject = &derived;
	EXPECT_EQ(RUNTIME_CLASS(CTestDerived), pObject->GetRuntimeClass());
	EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CTestDerived)));
	EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CTestBase)));
	EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CObject)));
	EXPECT_FALSE(pObject->IsKindOf(RUNTIME_CLASS(CException)));
	EXPECT_FALSE(pObject->IsSerializable());

	CTestBase base;
	EXPECT_FALSE(base.IsKindOf(RUNTIME_CLASS(CTestDerived)));
}

TEST(RuntimeClass, CreateObjectOnlyForDynCreate)
{
	CObject* pObject = RUNTIME_CLASS(CTestDerived)->CreateObject();
	ASSERT_NE(nullptr, pObject);
	EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CTestDerived)));
	EXPECT_EQ(5, static_cast<CTestDerived*>(pObject)->m_nPayload[4]);
	delete pObject;
	EXPECT_EQ(nullptr, RUNTIME_CLASS(CTestBase)->CreateObject());
}

TEST(RuntimeClass, LibraryClassesFormTheMfcHierarchy)
{
	EXPECT_STREQ("CMemoryException", RUNTIME_CLASS(CMemoryException)->m_lpszClassName);
	EXPECT_TRUE(RUNTIME_CLASS(CMemoryException)->IsDerivedFrom(RUNTIME_CLASS(CSimpleException)));
	EXPECT_TRUE(RUNTIME_CLASS(CSimpleException)->IsDerivedFrom(RUNTIME_CLASS(CException)));
	EXPECT_TRUE(RUNTIME_CLASS(COleException)->IsDerivedFrom(RUNTIME_CLASS(CException)));
	EXPECT_FALSE(RUNTIME_CLASS(COleException)->IsDerivedFrom(RUNTIME_CLASS(CSimpleException)));
	CCriticalSection cs;
	EXPECT_TRUE(cs.IsKindOf(RUNTIME_CLASS(CSyncObject)));
	EXPECT_STREQ("CCriticalSection", cs.GetRuntimeClass()->m_lpszClassName);
}

TEST(RuntimeClass, ExtensionLibraryClassesAreReachable)
{
	// The class records live in the extension library; the program reaches
	// them through the imported data and functions.
	CRuntimeClass* pShape = RUNTIME_CLASS(CExtShape);
	EXPECT_EQ(pShape, &CExtShape::classCExtShape);
	EXPECT_STREQ("CExtShape", pShape->m_lpszClassName);
	EXPECT_TRUE(RUNTIME_CLASS(CExtSquare)->IsDerivedFrom(pShape));
	EXPECT_TRUE(RUNTIME_CLASS(CExtSquare)->IsDerivedFrom(RUNTIME_CLASS(CObject)));

	CExtSquare square;
	EXPECT_EQ(RUNTIME_CLASS(CExtSquare), square.GetRuntimeClass());
	EXPECT_TRUE(square.IsKindOf(pShape));
	EXPECT_EQ(4, square.m_nSides);

	CObject* pObject = pShape->CreateObject();
	ASSERT_NE(nullptr, pObject);
	EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CExtShape)));
	EXPECT_FALSE(pObject->IsKindOf(RUNTIME_CLASS(CExtSquare)));
	delete pObject;
}
