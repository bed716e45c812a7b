vantrel_add_test(spool_test SOURCES SpoolTest.cpp LIBS vantrel_pipeline_base)
