#!/usr/bin/python3
"""Writes data/catalogues/qd40.tsv from the compact group tables below.

Run from anywhere:  /usr/bin/python3 data/catalogues/authoring/qd40_catalogue.py
The series carries code, name and format word only: range and description
stay empty on every entry.  The script checks the finished catalogue and
refuses to write the file when a check fails.

Table lines, one entry each, in catalogue order within the group:

    ACCESS name

  ACCESS is A (settable at any time), S (settable only while the drive is
  stopped) or R (not settable: monitoring values, fault records, version and
  rating data), then the number of decimals (none = 0), then "±" when the
  value is signed by nature.  "---" is one reserved entry, "--- xN" N of them.

Format-word rules:
  bits 0-2  decimals of the value in its natural unit: frequencies 0.01 Hz,
            times 0.1 s (filter and loop times 0.01 s or 0.001 s), percentages
            0.1 %, currents 0.01 A, resistances 0.001 Ω, speeds of the lift in
            0.001 m/s, selections, counts and codes none.
  bit 3     0x08  settable only while the drive is stopped (S).
  bit 4     0x10  settable at any time, running or not (A).  Never together
            with 0x08.  Reserved, factory and read-only entries carry neither.
            (The same reading as the QD10 and QD20 catalogues: the digital
            set frequency of every series carries 0x10.)
  bit 5     0x20  the value is signed by nature (there is no range to show
            it): every setting a curve or input point maps to ("对应设定"),
            zero offsets ("零偏"), biases ("偏置") and jump points ("跳跃点"),
            the torque set value, the inputs of the bipolar AI3 and of the
            curves that may serve it, the lower PID output limit, and the
            monitors that run both ways (torque, torque current, slip,
            feedback and lift speed, PID output and deviation, position
            deviation, power-factor angle).  A name holding one of those four
            words must carry the bit; the checks below enforce that.  Signed
            settings with decimals are settable at any time (49-51); a signed
            setting held while stopped has no decimals (40).
  Reserved ("保留") and factory entries: format 0.
"""

import re
import sys

from catalogue_common import (ACCESS_BITS, FORMAT_WORDS, SIGNED, TableError, build,
                              field_problems, reserved_entries, run)

SERIES = "QD40"

GROUPS = [  # (prefix, entries)
    ("A0", 14), ("F0", 24), ("F1", 16), ("F2", 24), ("F3", 30), ("F4", 25),
    ("F5", 6), ("F6", 22), ("F7", 38), ("F8", 35), ("F9", 10), ("FA", 18),
    ("A1", 19), ("A2", 62), ("A3", 62), ("En", 9), ("E1", 21), ("E2", 23),
    ("E3", 42), ("CL", 49), ("Pd", 15), ("P1", 27), ("P2", 10), ("P3", 9),
    ("P4", 24), ("PC", 15), ("CP", 19), ("FP", 11), ("FC", 41), ("EL", 83),
    ("FE", 10), ("UP", 9), ("CF", 21), ("FU", 78), ("PU", 61),
]
EXPECT_ENTRIES = 982
LAST_CODE = "PU-60"
SIGNED_WORDS = ("对应设定", "零偏", "偏置", "跳跃点")
TELLING = [  # format, code, name
    (16, "A0-00", "用户密码设定"),
    (2, "A0-12", "软件版本号"),
    (16, "F0-00", "频率给定通道选择"),
    (16, "EL-00", "电梯功能密码"),
]


def numbered(access, pattern, first, last):
    """One line per number, e.g. numbered("S", "DI%d端子功能选择", 1, 10)."""
    return "\n".join("%s %s" % (access, pattern % i)
                     for i in range(first, last + 1))


A0 = """
A  用户密码设定
S  参数初始化
S  功能码修改属性
A  参数组显示选择
A  用户定制参数组使能
S  参数备份
S  参数恢复
A  键盘锁定选择
A  上电显示参数
A  LED显示亮度
R  产品型号
R  产品序列号
R2 软件版本号
R2 硬件版本号
"""

F0 = """
A  频率给定通道选择
S  辅助频率给定通道
S  主辅运算关系
S  辅助频率范围选择
A1 辅助频率范围
A2 数字给定频率
S  运行命令通道
S  命令与频率通道绑定
S2 最大频率
S  上限频率来源
A2 上限频率数字设定
A2± 上限频率偏置
A2 下限频率
A1 加速时间1
A1 减速时间1
S  加减速时间基准频率
S  运转方向
A1 载波频率
A  载波频率随温度调整
A  数字给定掉电存储
A  键盘UP/DOWN基准频率
S  电机选择
A2± 辅助频率偏置
S  启动保护选择
"""

F1 = """
S  电机类型
S1 电机额定功率
S  电机额定电压
S2 电机额定电流
S2 电机额定频率
S  电机额定转速
S  电机极数
S3 定子电阻
S3 转子电阻
S2 定转子漏感
S1 定转子互感
S2 空载电流
S  电机参数自学习
S  电机过载保护选择
A2 电机过载保护增益
A  电机过载预警系数
"""

F2 = """
A  速度环比例增益1
A2 速度环积分时间1
A2 切换频率1
A  速度环比例增益2
A2 速度环积分时间2
A2 切换频率2
S  速度环积分属性
A  转差补偿系数
A3 速度反馈滤波时间
A  励磁电流环比例增益
A  励磁电流环积分增益
A  转矩电流环比例增益
A  转矩电流环积分增益
S  电动转矩上限源
A1 电动转矩上限数字设定
S  发电转矩上限源
A1 发电转矩上限数字设定
A  弱磁比例增益
A1 弱磁区最大转矩系数
S  速度/转矩控制选择
S  转矩给定源
A1± 转矩数字给定
A2 转矩控制正向最大频率
A2 转矩控制反向最大频率
"""

F3 = """
S  V/F曲线设定
S1 转矩提升
S2 转矩提升截止频率
S2 多点V/F频率点1
S1 多点V/F电压点1
S2 多点V/F频率点2
S1 多点V/F电压点2
S2 多点V/F频率点3
S1 多点V/F电压点3
A1 V/F转差补偿增益
A  V/F过励磁增益
A  V/F振荡抑制增益
S  振荡抑制模式
S  V/F分离电压源
A  V/F分离电压数字设定
A1 V/F分离电压上升时间
A1 V/F分离电压下降时间
S  V/F分离停机方式
A  过流失速动作电流
S  过流失速使能
A  过流失速抑制增益
A  倍速过流失速补偿系数
A1 过压失速动作电压
S  过压失速使能
A  过压失速频率增益
A  过压失速电压增益
A  过压失速最大上升频率
A1 转差补偿时间常数
S  自动节能运行
A  节能运行最低电压
"""

F4 = numbered("S", "DI%d端子功能选择", 1, 10) + """
A3 DI滤波时间
S  端子命令方式
A3 端子UP/DOWN变化率
S  DI有效模式选择1
S  DI有效模式选择2
A1 DI1延迟时间
A1 DI2延迟时间
A1 DI3延迟时间
S  端子上电运行保护
S  HDI输入类型
A2 HDI最小输入频率
A1± HDI最小输入对应设定
A2 HDI最大输入频率
A1± HDI最大输入对应设定
A2 HDI输入滤波时间
"""

F5 = """
A2 点动运行频率
A1 点动加速时间
A1 点动减速时间
S  端子点动优先
S  键盘点动方向
A1 点动间隔时间
"""

F6 = """
S  启动方式
A2 启动频率
S1 启动频率保持时间
S  启动直流制动电流
S1 启动直流制动时间
S  转速跟踪方式
A  转速跟踪快慢
A  转速跟踪电流
S  加减速方式
S1 S曲线开始段比例
S1 S曲线结束段比例
A  停机方式
A2 停机直流制动起始频率
A1 停机直流制动等待时间
A  停机直流制动电流
A1 停机直流制动时间
A  能耗制动使用率
A1 能耗制动起始电压
S  瞬停不停功能选择
A1 瞬停不停动作判断电压
A2 瞬停电压回升判断时间
A1 停机零速保持时间
"""

F7 = """
S  MF.K键功能选择
A  STOP/RESET键功能
A  运行显示参数1
A  运行显示参数2
A  停机显示参数
A3 负载速度显示系数
A  负载速度小数点位数
A1 线速度显示系数
A1 轮显间隔时间
A  累计运行到达时间
A  累计上电到达时间
A1 本次运行到达时间
S  累计时间清零
A  累计耗电量清零
A  故障显示保持选择
A  监视参数默认页
A  键盘背光时间
""" + numbered("A", "用户定制功能码%d", 1, 20) + """
A2 键盘频率调节步长
"""

F8 = """
A1 加速时间2
A1 减速时间2
A1 加速时间3
A1 减速时间3
A1 加速时间4
A1 减速时间4
A2 加速时间切换频率
A2 减速时间切换频率
A2 跳跃频率1
A2 跳跃频率2
A2 跳跃频率幅度
A1 正反转死区时间
S  反转控制
S  频率低于下限运行动作
A2 下垂控制
A  风扇控制
A2 任意到达频率1
A1 任意到达频率1宽度
A2 任意到达频率2
A1 任意到达频率2宽度
A1 零电流检测水平
A2 零电流检测延迟
A1 输出电流超限值
A2 电流超限检测延迟
A  设定长度
A  实际长度
A1 每米脉冲数
A  设定计数值
A  指定计数值
A  定时功能选择
S  定时运行时间来源
A1 定时运行时间
A2 频率检测值FDT1
A1 FDT1滞后值
A1 频率到达检出宽度
"""

F9 = """
S  Y1输出功能选择
S  Y2输出功能选择
S  继电器1输出功能选择
S  继电器2输出功能选择
S  HDO输出模式
S  HDO开关量输出功能
S  输出端子有效状态选择
A1 Y1输出延迟时间
A1 继电器1输出延迟时间
A1 继电器2输出延迟时间
"""

FA = """
A2 AI1最小输入
A1± AI1最小输入对应设定
A2 AI1最大输入
A1± AI1最大输入对应设定
A2 AI1滤波时间
A2 AI2最小输入
A1± AI2最小输入对应设定
A2 AI2最大输入
A1± AI2最大输入对应设定
A2 AI2滤波时间
S  AO1输出功能选择
S  AO2输出功能选择
A1± AO1零偏系数
S2 AO1增益
A1± AO2零偏系数
S2 AO2增益
S  HDO脉冲输出功能
A2 HDO最大输出频率
"""

A1 = numbered("S", "VDI%d端子功能选择", 1, 5) + """
S  VDI有效状态来源
A  VDI状态设定
""" + numbered("S", "VDO%d输出功能选择", 1, 5) + "\n" \
    + numbered("A1", "VDO%d输出延迟时间", 1, 5) + """
S  VDO输出有效状态
S  AI作为DI功能选择
"""

A2 = """
S  第二电机控制方式
S  第二电机类型
S1 第二电机额定功率
S  第二电机额定电压
S2 第二电机额定电流
S2 第二电机额定频率
S  第二电机额定转速
S  第二电机极数
S3 第二电机定子电阻
S3 第二电机转子电阻
S2 第二电机漏感
S1 第二电机互感
S2 第二电机空载电流
S  第二电机参数自学习
A  第二电机速度比例增益1
A2 第二电机速度积分时间1
A2 第二电机切换频率1
A  第二电机速度比例增益2
A2 第二电机速度积分时间2
A2 第二电机切换频率2
A  第二电机转差补偿系数
A3 第二电机速度反馈滤波
A  第二电机励磁电流环比例增益
A  第二电机励磁电流环积分增益
A  第二电机转矩电流环比例增益
A  第二电机转矩电流环积分增益
S  第二电机电动转矩上限源
A1 第二电机电动转矩上限
S  第二电机发电转矩上限源
A1 第二电机发电转矩上限
A  第二电机弱磁比例增益
S  第二电机V/F曲线设定
S1 第二电机转矩提升
S2 第二电机转矩提升截止频率
A1 第二电机V/F转差补偿增益
A  第二电机振荡抑制增益
S  第二电机加减速时间选择
S  第二电机过载保护选择
A2 第二电机过载保护增益
A  第二电机过载预警系数
S  第二电机编码器类型
S  第二电机编码器线数
S  第二电机编码器方向
S  第二电机温度传感器类型
A  第二电机过热保护阈值
A  第二电机过热预报警阈值
S  第二电机控制参数组选择
--- x15
"""


def ai_curve(n):
    return "\n".join([
        "A2± 曲线%d最小输入" % n,
        "A1± 曲线%d最小输入对应设定" % n,
        "A2± 曲线%d拐点1输入" % n,
        "A1± 曲线%d拐点1对应设定" % n,
        "A2± 曲线%d拐点2输入" % n,
        "A1± 曲线%d拐点2对应设定" % n,
        "A2± 曲线%d最大输入" % n,
        "A1± 曲线%d最大输入对应设定" % n,
    ])


def calibration(ch, first, second):
    return "\n".join("A3 %s%s" % (ch, word) for word in
                     (first + "1", second + "1", first + "2", second + "2"))


A3 = ai_curve(4) + "\n" + ai_curve(5) + """
S  AI曲线选择
S  AI低于最小输入设定选择
A1± AI1设定跳跃点
A1 AI1设定跳跃幅度
A1± AI2设定跳跃点
A1 AI2设定跳跃幅度
A1± AI3设定跳跃点
A1 AI3设定跳跃幅度
""" + "\n".join([calibration("AI1", "实测电压", "显示电压"),
                 calibration("AI2", "实测电压", "显示电压"),
                 calibration("AI3", "实测电压", "显示电压"),
                 calibration("AO1", "目标电压", "实测电压"),
                 calibration("AO2", "目标电压", "实测电压")]) + """
S  校正数据恢复
S  AI3输入类型
A2 AI3滤波时间
A2± AI3最小输入
A2± AI3最大输入
A1± AI3最小输入对应设定
A1± AI3最大输入对应设定
S  AI断线检测使能
A1 AI断线检测阈值
A2 AI1电压保护下限
A2 AI1电压保护上限
A1± 键盘电位器最小对应设定
A1± 键盘电位器最大对应设定
A2 键盘电位器滤波时间
S  AO1输出类型
S  AO2输出类型
A2 AO1输出滤波时间
A2 AO2输出滤波时间
"""

En = """
S  扩展卡1类型
S  扩展卡2类型
R  扩展卡1状态
R  扩展卡2状态
R2 扩展卡1软件版本
R2 扩展卡2软件版本
S  扩展卡故障动作选择
A1 扩展卡通讯超时时间
S  扩展卡参数初始化
"""

E1 = """
S  编码器类型
S  编码器线数
S  编码器方向
S  编码器AB相序
A1 编码器断线检测时间
A2 编码器断线检测频率
S  旋转变压器极对数
S1 编码器安装角
S1 UVW信号零点位置角
S  UVW信号方向
S  编码器分频系数
S  分频输出信号方向
A3 编码器速度滤波时间
S  速度反馈通道
A1 速度偏差过大检测值
A1 速度偏差过大检测时间
A1 过速度检测值
A1 过速度检测时间
S  编码器齿轮比分子
S  编码器齿轮比分母
S  编码器故障动作选择
"""

E2 = """
S  编码器2类型
S  编码器2线数
S  编码器2方向
S  编码器2相序
A1 编码器2断线检测时间
A3 编码器2速度滤波时间
S  编码器2分频系数
S  编码器2用途
S  脉冲给定输入方式
A2 脉冲给定最小频率
A1± 脉冲给定最小频率对应设定
A2 脉冲给定最大频率
A1± 脉冲给定最大频率对应设定
A2 脉冲给定滤波时间
S  电子齿轮分子
S  电子齿轮分母
A  位置环比例增益
A1 位置前馈增益
A1 位置前馈滤波时间
S  位置偏差过大检测值
A1 位置偏差过大检测时间
A  定位完成宽度
A1 定位完成检测时间
"""

E3 = """
S  扩展通讯卡协议类型
S  扩展通讯卡站地址
S  扩展通讯卡波特率
A1 扩展通讯卡超时时间
S  扩展通讯卡故障动作
S  周期数据接收字数
S  周期数据发送字数
""" + numbered("S", "接收字%d映射参数", 1, 8) + "\n" \
    + numbered("S", "发送字%d映射参数", 1, 8) + """
S  网络控制字来源
A2 网络频率给定比例
S  网络控制使能
R  扩展卡通讯状态
R  扩展卡接收帧计数
R  扩展卡错误帧计数
""" + numbered("S", "IP地址第%d段", 1, 4) + "\n" \
    + numbered("S", "子网掩码第%d段", 1, 4) + "\n" \
    + numbered("S", "默认网关第%d段", 1, 4) + """
S  IP地址获取方式
"""

CL = """
S  张力控制模式
S  收放卷模式
S  张力给定源
A  张力数字给定
A  最大张力
A1 零速张力提升
A2 零速阈值
A  张力锥度系数
S  卷径计算方式
A  最大卷径
A  卷轴直径
A  初始卷径1
A  初始卷径2
A  初始卷径3
S  初始卷径来源
A2 材料厚度
A  每圈脉冲数
A2 卷径计算滤波时间
A1 最大线速度
S  线速度输入源
A1 卷径计算最低线速度
A2 机械传动比
A1 张力PID比例增益
A2 张力PID积分时间
A3 张力PID微分时间
A1 张力PID输出限幅
S  张力反馈源
A1 摩擦补偿系数
A1 惯量补偿系数
A2 惯量补偿滤波时间
A1 启动补偿转矩
A1 断料检测阈值
A1 断料检测延迟时间
S  断料检测使能
A  满卷卷径
S  满卷动作
A1 预驱动频率增益
A1 预驱动转矩限幅
S  卷径复位选择
A1 卷径变化率限制
S  张力锥度使能
A1 速度闭环输出限幅
--- x7
"""

Pd = """
S  PID给定源
A1 PID数字给定
S  PID反馈源
S  PID作用方向
A  PID给定反馈量程
A1 比例增益Kp1
A2 积分时间Ti1
A3 微分时间Td1
A2 PID反转截止频率
A1 PID偏差极限
A2 PID微分限幅
A2 PID给定变化时间
A2 PID反馈滤波时间
A2 PID输出滤波时间
S  PID停机运算
"""

P1 = """
A1 比例增益Kp2
A2 积分时间Ti2
A3 微分时间Td2
A  PID参数切换条件
A1 PID参数切换偏差1
A1 PID参数切换偏差2
A1 PID初值
A2 PID初值保持时间
A2 输出偏差正向最大值
A2 输出偏差反向最大值
A  PID积分属性
A1 PID反馈丢失检测值
A1 PID反馈丢失检测时间
A1 PID输出上限
A1± PID输出下限
A1 PID反馈高报警值
A1 PID反馈低报警值
A1 PID报警延迟时间
S  多段PID给定选择
""" + numbered("A1", "多段PID给定%d", 1, 7) + """
A1 PID休眠偏差
"""

P2 = """
S  休眠功能选择
A2 休眠频率
A1 休眠延迟时间
A2 唤醒频率
A1 唤醒延迟时间
A1 唤醒偏差
A1 休眠反馈阈值
A1 休眠前加压幅度
A1 休眠前加压时间
S  休眠时PID运算
"""

P3 = """
S  摆频设定方式
A1 摆频幅度
A1 突跳频率幅度
A1 摆频周期
A1 三角波上升时间系数
S  摆频启动方式
A2 摆频预置频率
A1 摆频预置频率等待时间
S  摆频状态记忆
"""

P4 = numbered("A2", "多段速%d", 0, 15) + """
S  多段速0给定方式
S  简易PLC运行方式
A  简易PLC掉电记忆
S  PLC运行时间单位
A  PLC各段运行方向
A  PLC加减速时间选择1
A  PLC加减速时间选择2
S  PLC暂停后重启方式
"""

PC = """
S  通讯协议选择
S  本机地址
S  波特率
S  数据格式
A  应答延迟
A1 通讯超时时间
A  通讯断线动作
S  通讯写入EEPROM选择
S  通讯电流分辨率
A2 通讯给定频率比例
S  通讯控制字格式
A  主从控制使能
S  主从选择
A  从机跟随主机命令
A2 从机接收频率系数
"""

CP = """
S  第二通讯口协议
S  第二通讯口地址
S  第二通讯口波特率
S  第二通讯口数据格式
A  第二通讯口应答延迟
A1 第二通讯口超时时间
""" + numbered("S", "通讯读映射参数%d", 1, 6) + "\n" \
    + numbered("S", "通讯写映射参数%d", 1, 6) + """
S  映射功能使能
"""

FP = """
S  输入缺相保护
S  输出缺相保护
S  上电对地短路保护
A  故障自动复位次数
A1 故障自动复位间隔时间
A  自动复位期间故障输出
S  故障保护动作选择1
S  故障保护动作选择2
A  故障时继续运行频率选择
A1 异常备用频率
S  掉载保护选择
"""

FC = """
S  抱闸控制使能
A2 抱闸打开频率
A1 抱闸打开电流
A2 抱闸打开延迟
A2 抱闸闭合频率
A2 抱闸闭合延迟
A2 抱闸打开前零速时间
A1 抱闸反馈检测时间
S  抱闸反馈使能
A1± 预转矩偏置
S  预转矩补偿选择
A2 驱动侧预转矩增益
A2 制动侧预转矩增益
A  启动零伺服增益
A2 启动零伺服时间
A2 停车零伺服时间
S  运行接触器控制使能
A2 接触器吸合延迟
A2 接触器释放延迟
A1 接触器反馈检测时间
S  封星控制使能
A2 封星接触器释放延迟
S  称重信号输入通道
A1 空载称重值
A1 满载称重值
A1 称重补偿增益
A  轿厢额定载重
S  称重自学习
A1 超载判定值
A1 满载判定值
S  应急运行使能
A2 应急运行频率
A1 应急运行加速时间
A1 应急运行减速时间
S  应急运行方向选择
A1 应急电源电压
A1 应急运行限时
S  检修运行选择
A2 检修运行频率
A1 检修加减速时间
S  抱闸故障动作选择
"""

EL = """
A  电梯功能密码
S  电梯功能使能
S  速度给定方式
S2 电梯额定速度
S  曳引轮直径
S2 减速比
S  曳引比
S2 电梯最大速度
A3 起动加速度
A3 减速度
A3 加速开始段加加速度
A3 加速结束段加加速度
A3 减速开始段加加速度
A3 减速结束段加加速度
A3 检修运行速度
A3 检修加速度
A3 爬行速度
A3 平层速度
A3 再平层速度
A3 应急救援速度
""" + numbered("A3", "多段速度%d", 1, 8) + """
S  多段速端子组合方式
S  楼层数
S  基站楼层
S  平层插板长度
S± 平层位置偏置
A  上行平层调整
A  下行平层调整
S  减速距离自学习
S  井道自学习
A3 单层运行速度
A3 双层运行速度
A  强迫减速距离1
A  强迫减速距离2
A3 强迫减速速度1
A3 强迫减速速度2
A2 开闸延迟时间
A2 关闸延迟时间
A2 零速保持时间
A2 运行信号延迟时间
A1 停车减速时间
A1 超速保护阈值
A1 超速保护时间
A  溜车检测阈值
S  溜车保护使能
S  启动转矩补偿使能
A2 启动补偿增益
A1± 驱动侧补偿偏置
A1± 制动侧补偿偏置
S  平层感应器类型
A  平层信号滤波时间
S  门区信号选择
S  上限位开关输入
S  下限位开关输入
S  上强迫减速输入
S  下强迫减速输入
S  检修信号输入
S  检修上行输入
S  检修下行输入
S  安全回路检测输入
S  门锁回路检测输入
S  抱闸反馈输入
S  运行接触器反馈输入
S  封星接触器反馈输入
S  平层到达输出
S  运行中输出
S  抱闸输出
S  接触器输出
S  故障输出
R  电梯累计运行次数
R  电梯累计运行时间
R2± 电梯当前速度
R1 轿厢当前位置
S  运行次数清零
R  电梯故障代码
S  电梯参数初始化
"""

FE = "R  厂家密码\n" + "\n".join("R  厂家参数" for _ in range(9)) + "\n"

UP = """
S  软件升级模式
S  升级对象选择
R  升级状态
R2 升级包版本
S  参数上传至键盘
S  参数从键盘下载
S  用户参数备份
S  用户参数恢复
R  升级进度
"""

CF = numbered("A1", "第%d段运行时间", 0, 15) + """
A1 PLC段间等待时间
S  PLC起始段
A1 PLC段完成脉冲宽度
A  PLC循环次数
A1 PLC结束保持时间
"""

FU = """
R2 运行频率
R2 设定频率
R1 母线电压
R  输出电压
R2 输出电流
R1 输出功率
R1± 输出转矩
R  DI输入状态
R  DO输出状态
R2 AI1电压
R2 AI2电压
R2± AI3电压
R  计数值
R  长度值
R  负载速度显示
R1 PID设定
R1 PID反馈
R  PLC阶段
R2 HDI输入脉冲频率
R2± 编码器反馈频率
R1 剩余运行时间
R2 AI1校正前电压
R2 AI2校正前电压
R2± AI3校正前电压
R  线速度
R  本次上电时间
R1 本次运行时间
R  当前使用电机
R2± 通讯设定值
R2 主频率给定
R2 辅助频率给定
R1± 目标转矩
R1 转矩上限
R  V/F分离目标电压
R  V/F分离输出电压
R  电机转速
R  变频器状态字
R  当前故障代码
R  当前报警代码
R2 同步频率
R2± 转差频率
R1 励磁电流
R1± 转矩电流
R± 功率因数角
R1± PID输出
R1± PID偏差
R  多段速当前段
R1 PLC当前段剩余时间
R2 通讯给定频率
R  通讯控制字
R  通讯状态字
R  虚拟VDI状态
R  虚拟VDO状态
R1 载波频率当前值
R1 电机负载率
R1 变频器负载率
R  逆变模块温度
R  整流桥温度
R  电机温度
R  累计运行时间
R  累计上电时间
R  累计耗电量
R1 本次耗电量
R2 斜坡给定频率
R  张力给定值
R  张力反馈值
R  当前卷径
R1 当前线速度
R± 位置偏差
R  位置反馈脉冲计数
R  编码器Z信号计数
R1 转子位置角
R  扩展卡1输入状态
R  扩展卡2输入状态
R1 称重信号值
R  电梯当前楼层
R  电梯运行方向
R  散热风扇转速
"""


def fault_record(which):
    """Nineteen read-only fields recorded with one fault."""
    fields = [("R2", "运行频率"), ("R2", "设定频率"), ("R2", "输出电流"),
              ("R", "输出电压"), ("R1", "母线电压"), ("R1±", "输出转矩"),
              ("R", "输入端子状态"), ("R", "输出端子状态"),
              ("R", "变频器状态字"), ("R", "模块温度"), ("R", "上电时间"),
              ("R1", "运行时间"), ("R", "故障子码"), ("R", "电机转速"),
              ("R", "运行命令通道"), ("R", "频率给定通道"),
              ("R", "扩展卡状态"), ("R", "所在楼层"), ("R", "累计运行时间")]
    return "\n".join("%s %s%s" % (acc, which, name) for acc, name in fields)


PU = """
R  最近故障类型
R  前次故障类型
R  前两次故障类型
R  累计故障次数
""" + "\n".join([fault_record("最近故障时"), fault_record("前次故障时"),
                 fault_record("前两次故障时")]) + "\n"

TABLES = {"A0": A0, "F0": F0, "F1": F1, "F2": F2, "F3": F3, "F4": F4,
          "F5": F5, "F6": F6, "F7": F7, "F8": F8, "F9": F9, "FA": FA,
          "A1": A1, "A2": A2, "A3": A3, "En": En, "E1": E1, "E2": E2,
          "E3": E3, "CL": CL, "Pd": Pd, "P1": P1, "P2": P2, "P3": P3,
          "P4": P4, "PC": PC, "CP": CP, "FP": FP, "FC": FC, "EL": EL,
          "FE": FE, "UP": UP, "CF": CF, "FU": FU, "PU": PU}

ACCESS = re.compile(r"^([ASR])([0-3]?)(±?)$")


def parse_line(line):
    """Return a list of (format, name) for one table line."""
    reserved = reserved_entries(line)
    if reserved is not None:
        return reserved
    parts = line.split(None, 1)
    match = ACCESS.match(parts[0]) if len(parts) == 2 else None
    if not match:
        raise TableError("bad line: %s" % line)
    access, decimals, signed = match.groups()
    fmt = ACCESS_BITS[access] | int(decimals or 0) | (SIGNED if signed else 0)
    return [(fmt, parts[1].strip())]


def check(entries):
    problems = []
    if len(entries) != EXPECT_ENTRIES:
        problems.append("entries %d" % len(entries))
    if entries and entries[-1][1] != LAST_CODE:
        problems.append("last code %s" % entries[-1][1])
    for fmt, code, name in entries:
        if fmt not in FORMAT_WORDS:
            problems.append("%s: format %d not allowed" % (code, fmt))
        if any(word in name for word in SIGNED_WORDS) and not fmt & SIGNED:
            problems.append("%s: %s should be signed" % (code, name))
        if (name == "保留" or name.startswith("厂家")) and fmt != 0:
            problems.append("%s: reserved or factory entry with format" % code)
        problems += field_problems(code, (("code", code, 9), ("name", name, 49)))
    by_code = {e[1]: e for e in entries}
    for want in TELLING:
        if by_code.get(want[1]) != want:
            problems.append("telling entry %s is %r"
                            % (want[1], by_code.get(want[1])))
    return problems


def main():
    return run(SERIES, lambda: build(GROUPS, TABLES, parse_line), check)


if __name__ == "__main__":
    sys.exit(main())
