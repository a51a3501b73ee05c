# The scheduler's about box (included by scheduler/CMakeLists.txt). A program showing it links
# scheduler_about_box and compiles its definition into its own resources:
#   lark_forms(<program> FORMS ${LARK_SCHEDULER_ABOUT_FORM})
lark_about_box(scheduler FORM_VARIABLE LARK_SCHEDULER_ABOUT_FORM
               DESCRIPTION "Scheduler about box tests" VERSION 2.4.0.17)
